#include "platform/storage/Bundle.h"

#include <unistd.h>

#include <cstdlib>

#include "platform/base/LogSink.h"
#include "platform/storage/PropertyList.h"

namespace platform {

namespace {

// Never destroyed: background queues still running while the process exits (the token
// dispenser restoring its cache) read the user defaults, which ask for the main bundle.
std::mutex& mainMutex() {
    static auto* m = new std::mutex;
    return *m;
}

struct MainState {
    std::optional<std::filesystem::path> override;
    std::shared_ptr<const Bundle> bundle;
};

MainState& mainState() {
    static auto* s = new MainState;
    return *s;
}

std::filesystem::path executableDirectory() {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::filesystem::current_path(ec);
    return exe.parent_path();
}

// A relative path component that stays inside the folder it is applied to.
bool staysInside(const std::filesystem::path& p) {
    if (p.is_absolute() || p.has_root_name() || p.has_root_directory()) return false;
    for (const auto& part : p)
        if (part == "..") return false;
    return true;
}

}  // namespace

std::filesystem::path Bundle::defaultMainBundlePath() {
    if (const char* env = std::getenv("MOVUROUTE_BUNDLE"); env && *env) return env;
    const auto exeDir = executableDirectory();
    std::filesystem::path dir = exeDir;
    for (int up = 0; up <= 3 && !dir.empty(); ++up) {
        for (const char* name : {"bundle", "assets"}) {
            std::error_code ec;
            if (std::filesystem::is_directory(dir / name, ec)) return dir / name;
        }
        if (dir == dir.parent_path()) break;
        dir = dir.parent_path();
    }
    return exeDir;
}

std::shared_ptr<const Bundle> Bundle::mainBundle() {
    std::lock_guard lock(mainMutex());
    MainState& s = mainState();
    auto path = s.override ? *s.override : defaultMainBundlePath();
    if (!s.bundle || s.bundle->bundlePath() != path) s.bundle = std::make_shared<Bundle>(path);
    return s.bundle;
}

void Bundle::setMainBundlePath(std::optional<std::filesystem::path> path) {
    std::lock_guard lock(mainMutex());
    mainState().override = std::move(path);
}

Bundle::Bundle(std::filesystem::path path) : path_(std::move(path)) {}

const Value& Bundle::infoDictionary() const {
    std::call_once(infoOnce_, [this] {
        info_ = Value::dictionary();
        auto file = path_ / "Info.plist";
        std::error_code ec;
        if (!std::filesystem::exists(file, ec)) return;
        Error error;
        auto value = PropertyList::readFile(file, &error);
        if (value && value->isDictionary()) {
            info_ = std::move(*value);
        } else {
            LogSink::write("Bundle: " + file.string() + " is not a dictionary property list" +
                           (value ? std::string() : ": " + error.localizedDescription()));
        }
    });
    return info_;
}

const Value& Bundle::objectForInfoDictionaryKey(std::string_view key) const {
    return infoDictionary().get(key);
}

std::string Bundle::bundleIdentifier() const {
    return objectForInfoDictionaryKey("CFBundleIdentifier").asString();
}

std::optional<std::filesystem::path> Bundle::pathForResource(std::string_view name,
                                                             std::string_view type,
                                                             std::string_view subdirectory) const {
    if (name.empty()) return std::nullopt;
    if (!type.empty() && type.front() == '.') type.remove_prefix(1);
    std::string file(name);
    if (!type.empty()) {
        file += '.';
        file += type;
    }
    std::filesystem::path relative = std::filesystem::path(subdirectory) / file;
    if (!staysInside(relative)) return std::nullopt;
    for (const char* loc : {"", "Base.lproj", "en.lproj"}) {
        auto candidate = *loc ? path_ / loc / relative : path_ / relative;
        std::error_code ec;
        if (std::filesystem::exists(candidate, ec)) return candidate;
    }
    return std::nullopt;
}

}  // namespace platform
