#include "platform/device/Battery.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

namespace {

// Attribute files hold one short line; more than this is not an attribute.
constexpr std::size_t kMaxAttributeBytes = 256;
// A machine has a handful of supplies; a folder with thousands of entries is not sysfs.
constexpr std::size_t kMaxSupplies = 64;

std::mutex& rootMutex() {
    static std::mutex m;
    return m;
}

std::optional<std::filesystem::path>& rootOverride() {
    static std::optional<std::filesystem::path> root;
    return root;
}

std::string_view trimmed(std::string_view text) {
    auto isSpace = [](char c) { return c == ' ' || c == '\n' || c == '\t' || c == '\r'; };
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return text;
}

// 0..100 in plain decimal digits, else nothing.
std::optional<int> percent(std::string_view text) {
    text = trimmed(text);
    if (text.empty() || text.size() > 3) return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > 100) return std::nullopt;
    return value;
}

BatteryState stateOf(std::string_view status) {
    status = trimmed(status);
    if (status == "Discharging") return BatteryState::Unplugged;
    if (status == "Charging") return BatteryState::Charging;
    // "Not charging": on the charger but held below full by a charge limit; the phone's
    // nearest word for "plugged in and not charging" is full.
    if (status == "Full" || status == "Not charging") return BatteryState::Full;
    return BatteryState::Unknown;
}

std::string readAttribute(const std::filesystem::path& file) {
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return {};
    std::string out(kMaxAttributeBytes + 1, '\0');
    std::size_t got = 0;
    while (got < out.size()) {
        ssize_t n = ::read(fd, out.data() + got, out.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (got > kMaxAttributeBytes) return {};
    out.resize(got);
    return out;
}

}  // namespace

Battery& Battery::shared() {
    static Battery battery;
    return battery;
}

void Battery::setSysfsRootForTesting(std::optional<std::filesystem::path> root) {
    std::lock_guard lock(rootMutex());
    rootOverride() = std::move(root);
}

std::filesystem::path Battery::sysfsRoot() {
    std::lock_guard lock(rootMutex());
    return rootOverride().value_or("/sys/class/power_supply");
}

Battery::Reading Battery::combine(const std::vector<SupplyFiles>& supplies) {
    int levels = 0;
    int levelSum = 0;
    int batteries = 0;
    bool unplugged = false;
    bool charging = false;
    bool allFull = true;
    for (const SupplyFiles& s : supplies) {
        if (trimmed(s.type) != "Battery") continue;
        if (trimmed(s.scope) == "Device") continue;
        if (trimmed(s.present) == "0") continue;
        ++batteries;
        if (auto p = percent(s.capacity)) {
            levelSum += *p;
            ++levels;
        }
        BatteryState state = stateOf(s.status);
        unplugged = unplugged || state == BatteryState::Unplugged;
        charging = charging || state == BatteryState::Charging;
        allFull = allFull && state == BatteryState::Full;
    }
    Reading reading;
    if (levels > 0)
        reading.level = static_cast<float>(levelSum) / static_cast<float>(levels) / 100.0f;
    if (batteries == 0)
        reading.state = BatteryState::Unknown;
    else if (unplugged)
        reading.state = BatteryState::Unplugged;
    else if (charging)
        reading.state = BatteryState::Charging;
    else if (allFull)
        reading.state = BatteryState::Full;
    return reading;
}

std::vector<Battery::SupplyFiles> Battery::readSupplies(const std::filesystem::path& root) {
    std::vector<SupplyFiles> out;
    std::error_code ec;
    std::filesystem::directory_iterator it(root, ec);
    if (ec) return out;
    for (; it != std::filesystem::directory_iterator() && out.size() < kMaxSupplies;
         it.increment(ec)) {
        if (ec) break;
        const auto& dir = it->path();
        // Supplies are links to their device folders in the real tree; folders in a fake one.
        if (!std::filesystem::is_directory(dir, ec)) continue;
        SupplyFiles s;
        s.type = readAttribute(dir / "type");
        s.scope = readAttribute(dir / "scope");
        s.present = readAttribute(dir / "present");
        s.capacity = readAttribute(dir / "capacity");
        s.status = readAttribute(dir / "status");
        out.push_back(std::move(s));
    }
    return out;
}

Battery::Reading Battery::reading() const {
    if (!isMonitoringEnabled()) return {};
    return combine(readSupplies(sysfsRoot()));
}

float Battery::level() const {
    return reading().level;
}

BatteryState Battery::state() const {
    return reading().state;
}

}  // namespace platform
