#include "ads/foundation/GADAdSize.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <utility>

#include "ads/foundation/GADDevice.h"
#include "ads/foundation/GADInternalError.h"
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"

namespace ads {

using platform::Size;

namespace {

const GADAdSize kStandardSizes[] = {kGADAdSizeBanner,          kGADAdSizeLargeBanner,
                                    kGADAdSizeMediumRectangle, kGADAdSizeFullBanner,
                                    kGADAdSizeLeaderboard,     kGADAdSizeSkyscraper};

const std::pair<GADAdSize, const char*> kNamedSizes[] = {
    {kGADAdSizeBanner, "kGADAdSizeBanner"},
    {kGADAdSizeLargeBanner, "kGADAdSizeLargeBanner"},
    {kGADAdSizeMediumRectangle, "kGADAdSizeMediumRectangle"},
    {kGADAdSizeFullBanner, "kGADAdSizeFullBanner"},
    {kGADAdSizeLeaderboard, "kGADAdSizeLeaderboard"},
    {kGADAdSizeSkyscraper, "kGADAdSizeSkyscraper"},
    {kGADAdSizeSmartBannerSkinnyPortrait, "kGADAdSizeSmartBannerSkinnyPortrait"},
    {kGADAdSizeSmartBannerSkinnyLandscape, "kGADAdSizeSmartBannerSkinnyLandscape"},
    {kGADAdSizeSmartBannerPortrait, "kGADAdSizeSmartBannerPortrait"},
    {kGADAdSizeSmartBannerLandscape, "kGADAdSizeSmartBannerLandscape"},
    {kGADAdSizeFluid, "kGADAdSizeFluid"},
    {kGADAdSizeInvalid, "kGADAdSizeInvalid"},
};

bool sameSize(Size a, Size b) {
    return a.width == b.width && a.height == b.height;
}

// Shortest text that reads back as the same number, '.' whatever the locale.
std::string number(double value) {
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string fixedSix(double value) {
    char buffer[400];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    if (result.ec != std::errc()) return number(value);
    return std::string(buffer, result.ptr);
}

platform::Error invalidArgument(std::string description) {
    return gad_errorWithCode(static_cast<std::int64_t>(GADInternalErrorCode::InvalidArgument),
                             std::move(description));
}

// One number of a size text: optional blanks, then a decimal number.
std::optional<double> readNumber(std::string_view& text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    double value = 0;
    auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc() || !std::isfinite(value)) return std::nullopt;
    text.remove_prefix(static_cast<std::size_t>(result.ptr - text.data()));
    return value;
}

}  // namespace

Size GADPortraitScreenSize() {
    return GADDevice::sharedInstance()->standardizedPortraitScreenBounds().size;
}

GADAdSize GADAdSizeFromCGSize(Size size) {
    if (sameSize(size, kGADAdSizeInvalid.size)) return kGADAdSizeInvalid;
    for (const GADAdSize& standard : kStandardSizes) {
        if (sameSize(size, standard.size)) return standard;
    }
    return GADAdSize{size, kGADAdSizeFlagCustom};
}

GADAdSize GADAdSizeFluidFromCGSize(Size size) {
    return GADAdSize{size, kGADAdSizeFlagFluid};
}

bool GADAdSizeEqualToSize(const GADAdSize& a, const GADAdSize& b) {
    return sameSize(a.size, b.size) && a.flags == b.flags;
}

bool GADAdSizeIsStandard(const GADAdSize& size) {
    for (const GADAdSize& standard : kStandardSizes) {
        if (GADAdSizeEqualToSize(size, standard)) return true;
    }
    return false;
}

bool GADAdSizeIsFluid(const GADAdSize& size) {
    return (size.flags & kGADAdSizeFlagFluid) != 0;
}

bool GADAdSizeIsFullWidth(const GADAdSize& size) {
    return (size.flags & kGADAdSizeFlagFullWidth) != 0;
}

bool GADAdSizeIsAutoHeight(const GADAdSize& size) {
    return (size.flags & kGADAdSizeFlagAutoHeight) != 0;
}

Size GADAdSizeFullWidthSize(const GADAdSize& size, platform::UserInterfaceIdiom idiom,
                            Size portraitScreenSize) {
    if (!GADAdSizeIsFullWidth(size)) return {};
    const bool landscape = (size.flags & kGADAdSizeFlagLandscape) != 0;
    double height = 0;
    switch (idiom) {
        case platform::UserInterfaceIdiom::Phone:
            height = landscape ? 32 : 50;
            break;
        case platform::UserInterfaceIdiom::Pad:
            height = (size.flags & kGADAdSizeFlagSkinny) != 0 ? 66 : 90;
            break;
        default:
            return {};
    }
    const double width = landscape ? portraitScreenSize.height : portraitScreenSize.width;
    return {width, height};
}

Size CGSizeFromGADAdSize(const GADAdSize& size) {
    if (GADAdSizeIsStandard(size)) return size.size;
    if (GADAdSizeIsFluid(size)) {
        if (!sameSize(size.size, Size{})) return size.size;
        double width = 0;
        if (auto window = platform::ui::Application::shared().keyWindow()) {
            const platform::Rect bounds = window->bounds();
            const int orientation = platform::ui::Application::shared().statusBarOrientation();
            // Before system 8 the window did not turn with the interface.
            const bool sideways = platform::DeviceInfo::systemMajorVersion() < 8 &&
                                  (orientation == 3 || orientation == 4);
            width = sideways ? bounds.size.height : bounds.size.width;
        }
        return {width, 1.0};
    }
    if (GADAdSizeIsFullWidth(size)) {
        const Size full = GADAdSizeFullWidthSize(
            size, GADDevice::sharedInstance()->userInterfaceIdiom(), GADPortraitScreenSize());
        if (GADAdSizeIsAutoHeight(size)) return full;
        if (size.flags & kGADAdSizeFlagCustom) return {full.width, size.size.height};
        return {};
    }
    if (size.flags & kGADAdSizeFlagCustom) return size.size;
    return {};
}

bool GADAdSizeIsValidWithError(const GADAdSize& size, platform::Error* error) {
    if (size.flags & kGADAdSizeFlagCustom) {
        const Size screen = GADPortraitScreenSize();
        const double limit = std::max(screen.width, screen.height);
        if (std::fabs(size.size.width) <= limit && std::fabs(size.size.height) <= limit) {
            return true;
        }
        if (error) {
            *error = invalidArgument("Not enough space to show ad with custom size, " +
                                     NSStringFromCGSize(size.size) +
                                     ". Please use a size the fits the current screen bounds of " +
                                     NSStringFromCGSize(screen) + ".");
        }
        return false;
    }
    if (GADAdSizeIsFluid(size)) return true;
    if (GADAdSizeIsStandard(size)) return true;
    if (sameSize(size.size, Size{})) {
        switch (size.flags) {
            case 18:
            case 22:
            case 26:
            case 30:
            case 32:
                return true;
            default:
                break;
        }
    }
    if (error) {
        *error = invalidArgument("Non-standard size, " + NSStringFromGADAdSize(size) +
                                 ". Please create a custom ad size using GADAdSizeFromCGSize.");
    }
    return false;
}

std::string NSStringFromCGSize(Size size) {
    return "{" + number(size.width) + ", " + number(size.height) + "}";
}

std::string NSStringFromGADAdSize(const GADAdSize& size) {
    for (const auto& [named, name] : kNamedSizes) {
        if (GADAdSizeEqualToSize(size, named)) return name;
    }
    if (GADAdSizeIsFullWidth(size)) {
        return "Full width GADAdSize with height: " + fixedSix(size.size.height);
    }
    if (size.flags & kGADAdSizeFlagCustom)
        return "Custom GADAdSize: " + NSStringFromCGSize(size.size);
    if (GADAdSizeIsFluid(size)) return "Fluid GADAdSize: " + NSStringFromCGSize(size.size);
    char flags[32];
    std::snprintf(flags, sizeof flags, "%llx", static_cast<unsigned long long>(size.flags));
    return "GADAdSize: " + NSStringFromCGSize(size.size) + ", " + flags;
}

Size CGSizeFromGADAdSizeString(std::string_view text) {
    std::string pair(text);
    for (char& c : pair) {
        if (c == 'x') c = ',';
    }
    std::string_view rest = pair;
    auto width = readNumber(rest);
    if (!width) return {};
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
    if (rest.empty() || rest.front() != ',') return {};
    rest.remove_prefix(1);
    auto height = readNumber(rest);
    if (!height) return {};
    return {*width, *height};
}

GADBoxedValue NSValueFromGADAdSize(const GADAdSize& size) {
    GADBoxedValue box{kGADAdSizeTypeEncoding, std::vector<std::uint8_t>(24)};
    std::memcpy(box.bytes.data(), &size.size.width, 8);
    std::memcpy(box.bytes.data() + 8, &size.size.height, 8);
    std::memcpy(box.bytes.data() + 16, &size.flags, 8);
    return box;
}

GADBoxedValue NSValueFromCGSize(Size size) {
    GADBoxedValue box{kCGSizeTypeEncoding, std::vector<std::uint8_t>(16)};
    std::memcpy(box.bytes.data(), &size.width, 8);
    std::memcpy(box.bytes.data() + 8, &size.height, 8);
    return box;
}

GADAdSize GADAdSizeFromNSValue(const GADBoxedValue* value) {
    if (!value || value->objCType != kGADAdSizeTypeEncoding || value->bytes.size() != 24) {
        return kGADAdSizeInvalid;
    }
    GADAdSize size;
    std::memcpy(&size.size.width, value->bytes.data(), 8);
    std::memcpy(&size.size.height, value->bytes.data() + 8, 8);
    std::memcpy(&size.flags, value->bytes.data() + 16, 8);
    return size;
}

}  // namespace ads
