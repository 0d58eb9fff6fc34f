#include "ads/foundation/GADSignalProbes.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "ads/foundation/GADGestureUtil.h"
#include "ads/foundation/GADStringEncoding.h"
#include "platform/base/Unicode.h"
#include "platform/device/Battery.h"
#include "platform/device/TimeZone.h"
#include "platform/runtime/ClassRegistry.h"
#include "platform/ui/Application.h"
#include "platform/ui/Screen.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewClasses.h"
#include "platform/ui/Window.h"

namespace ads {

std::atomic<std::int32_t> GADTimeZoneOffsetAdjustment{1440};

std::int64_t GADPackInt32Pair(std::int32_t low, std::int32_t high) {
    const std::uint64_t bits = static_cast<std::uint64_t>(static_cast<std::uint32_t>(high)) << 32 |
                               static_cast<std::uint32_t>(low);
    return static_cast<std::int64_t>(bits);
}

std::int32_t GADPackedLow(std::int64_t packed) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(packed));
}

std::int32_t GADPackedHigh(std::int64_t packed) {
    return static_cast<std::int32_t>(
        static_cast<std::uint32_t>(static_cast<std::uint64_t>(packed) >> 32));
}

namespace {

// Truncated toward zero and kept inside the 32-bit range (NaN gives 0).
std::int32_t truncatedInt32(double value) {
    if (!(value == value)) return 0;
    constexpr double lo = std::numeric_limits<std::int32_t>::min();
    constexpr double hi = std::numeric_limits<std::int32_t>::max();
    if (value <= lo) return std::numeric_limits<std::int32_t>::min();
    if (value >= hi) return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(value);
}

const char* utf16ToCString(const std::u16string& text, int* flag) {
    // Three bytes per UTF-16 unit cover every character (a surrogate pair, two units, needs
    // four), plus the terminating zero.
    const std::size_t units = text.size();
    if (units > (std::numeric_limits<std::size_t>::max() - 1) / 3) return nullptr;
    char* buffer = static_cast<char*>(std::calloc(units * 3 + 1, 1));
    if (!buffer) return nullptr;
    std::size_t out = 0;
    for (std::size_t i = 0; i < units; ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            if (i + 1 >= units || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) {
                std::free(buffer);
                return nullptr;
            }
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
            std::free(buffer);
            return nullptr;
        }
        const std::string bytes = platform::codePointToUtf8(cp);
        std::memcpy(buffer + out, bytes.data(), bytes.size());
        out += bytes.size();
    }
    if (flag) *flag = 1;
    return buffer;
}

}  // namespace

const char* GADCFStringToUTF8CString(const GADText* text, int* flag) {
    if (!text) return nullptr;
    if (const auto* utf8 = std::get_if<std::string>(text)) {
        if (!platform::isValidUtf8(*utf8)) return nullptr;
        if (flag) *flag = 0;
        return utf8->c_str();
    }
    return utf16ToCString(std::get<std::u16string>(*text), flag);
}

void GADFreeUTF8CString(const char* string, int flag) {
    if (flag == 1) std::free(const_cast<char*>(string));
}

bool GADNetworkReachabilityFlags(std::uint32_t* flags) {
    GADGestureUtil::reachability(flags);
    return flags != nullptr;
}

std::string GADWebSafeBase64StringFromBytes(const void* bytes, std::int32_t length) {
    if (length <= 0 || !bytes) return {};
    GADStringEncoding codec = GADStringEncoding::rfc4648Base64WebsafeStringEncoding();
    codec.setDoPad(false);
    return codec.encode(bytes, static_cast<std::size_t>(length));
}

std::int64_t GADBatteryLevelAndState() {
    platform::Battery& battery = platform::Battery::shared();
    const bool wasMonitoring = battery.isMonitoringEnabled();
    battery.setMonitoringEnabled(true);
    const platform::Battery::Reading reading = battery.reading();
    if (!wasMonitoring) battery.setMonitoringEnabled(false);
    // In single precision, as the level is kept: 0.57 reads as 57 percent, where the product
    // in double precision (56.99999...) would truncate to 56.
    const float percent = reading.level * 100.0f;
    return GADPackInt32Pair(truncatedInt32(percent), static_cast<std::int32_t>(reading.state));
}

std::int64_t GADScreenModeSize() {
    const platform::ui::Screen& screen = platform::ui::Screen::mainScreen();
    const platform::Rect bounds = screen.bounds();
    return GADPackInt32Pair(truncatedInt32(std::fabs(bounds.size.width * screen.scale())),
                            truncatedInt32(std::fabs(bounds.size.height * screen.scale())));
}

std::int32_t GADTimeZoneOffsetMinutes() {
    // UTC's own offset is 0, so the difference is the zone's offset.
    const long seconds = platform::TimeZone::secondsFromGMT();
    return static_cast<std::int32_t>(seconds / 60) + GADTimeZoneOffsetAdjustment.load();
}

platform::Rect GADVisibleRectOfViewsOfClassNamed(std::string_view className) {
    const std::string name(className);
    platform::ClassRegistry& registry = platform::ClassRegistry::shared();
    if (name.empty() || !registry.hasClass(name)) return platform::Rect::null();
    std::shared_ptr<platform::ui::Window> window = platform::ui::Application::shared().keyWindow();
    if (!window) return platform::Rect::null();

    std::vector<std::shared_ptr<platform::ui::View>> stack{window};
    bool found = false;
    platform::Rect foundRect;
    while (!stack.empty()) {
        std::shared_ptr<platform::ui::View> view = std::move(stack.back());
        stack.pop_back();
        if (view->isHidden()) continue;
        const platform::Rect inWindow = view->convertRectToView(view->bounds(), nullptr);
        if (platform::ui::isViewKindOf(*view, name)) {
            if (!found) {
                found = true;
                foundRect = inWindow;
            }
            continue;
        }
        if (found) {
            const platform::Rect overlap = inWindow.intersection(foundRect);
            if (!overlap.isNull()) return overlap;
        }
        const auto& subviews = view->subviews();
        for (auto it = subviews.rbegin(); it != subviews.rend(); ++it) stack.push_back(*it);
    }
    return found ? platform::Rect::zero() : platform::Rect::null();
}

}  // namespace ads
