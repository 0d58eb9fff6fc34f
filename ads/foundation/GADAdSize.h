#pragma once

// The size an ad placement asks for: fixed banner sizes, a "smart" banner as wide as the
// screen with a height chosen by the device, a custom size, or a fluid size whose height the
// ad decides. A plain value; the flags travel to the server, so their bits never change.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Error.h"
#include "platform/base/Geometry.h"
#include "platform/device/DeviceInfo.h"

namespace ads {

enum GADAdSizeFlags : std::uint64_t {
    kGADAdSizeFlagCustom = 1,
    kGADAdSizeFlagFullWidth = 2,
    // Reduced height on a tablet.
    kGADAdSizeFlagSkinny = 4,
    kGADAdSizeFlagLandscape = 8,
    kGADAdSizeFlagAutoHeight = 16,
    kGADAdSizeFlagFluid = 32,
};

struct GADAdSize {
    platform::Size size;
    std::uint64_t flags = 0;
};

inline constexpr GADAdSize kGADAdSizeInvalid{{-1, -1}, 0};
inline constexpr GADAdSize kGADAdSizeBanner{{320, 50}, 0};
inline constexpr GADAdSize kGADAdSizeLargeBanner{{320, 100}, 0};
inline constexpr GADAdSize kGADAdSizeMediumRectangle{{300, 250}, 0};
inline constexpr GADAdSize kGADAdSizeFullBanner{{468, 60}, 0};
inline constexpr GADAdSize kGADAdSizeLeaderboard{{728, 90}, 0};
inline constexpr GADAdSize kGADAdSizeSkyscraper{{120, 600}, 0};
inline constexpr GADAdSize kGADAdSizeSmartBannerPortrait{{0, 0}, 18};
inline constexpr GADAdSize kGADAdSizeSmartBannerLandscape{{0, 0}, 26};
inline constexpr GADAdSize kGADAdSizeSmartBannerSkinnyPortrait{{0, 0}, 22};
inline constexpr GADAdSize kGADAdSizeSmartBannerSkinnyLandscape{{0, 0}, 30};
inline constexpr GADAdSize kGADAdSizeFluid{{0, 0}, 32};

// The standard size of exactly that width and height (or kGADAdSizeInvalid for -1 x -1),
// else the size marked custom.
GADAdSize GADAdSizeFromCGSize(platform::Size size);
GADAdSize GADAdSizeFluidFromCGSize(platform::Size size);
bool GADAdSizeEqualToSize(const GADAdSize& a, const GADAdSize& b);
// One of the six fixed banner sizes, without flags.
bool GADAdSizeIsStandard(const GADAdSize& size);
bool GADAdSizeIsFluid(const GADAdSize& size);
bool GADAdSizeIsFullWidth(const GADAdSize& size);
bool GADAdSizeIsAutoHeight(const GADAdSize& size);

// For a full-width size on a phone or a tablet: the portrait screen's width (its height for a
// landscape size) and the device's banner height (phone 50, landscape 32; tablet 90, skinny
// 66). Otherwise the zero size.
platform::Size GADAdSizeFullWidthSize(const GADAdSize& size, platform::UserInterfaceIdiom idiom,
                                      platform::Size portraitScreenSize);
// The size in points on this device: standard and custom sizes as they are, full-width sizes
// against the screen, a zero fluid size as wide as the key window and one point high. Main
// thread (a fluid size reads the key window).
platform::Size CGSizeFromGADAdSize(const GADAdSize& size);
// Whether a placement can show the size; otherwise the private error 3 saying why.
bool GADAdSizeIsValidWithError(const GADAdSize& size, platform::Error* error = nullptr);

// "kGADAdSizeBanner" for the named sizes, else a description of the size and its flags.
std::string NSStringFromGADAdSize(const GADAdSize& size);
// "{50, 50}"
std::string NSStringFromCGSize(platform::Size size);
// A size text of the server, width "x" height ("320x50"); unreadable or not finite: zero.
platform::Size CGSizeFromGADAdSizeString(std::string_view text);

// A value in a box that names its type, so lists of mixed values can be told apart.
struct GADBoxedValue {
    std::string objCType;
    std::vector<std::uint8_t> bytes;
};
inline constexpr const char* kGADAdSizeTypeEncoding = "{GADAdSize={CGSize=dd}Q}";
inline constexpr const char* kCGSizeTypeEncoding = "{CGSize=dd}";

GADBoxedValue NSValueFromGADAdSize(const GADAdSize& size);
GADBoxedValue NSValueFromCGSize(platform::Size size);
// The size back from a box of the ad-size type; kGADAdSizeInvalid for nothing or any other box.
GADAdSize GADAdSizeFromNSValue(const GADBoxedValue* value);

// The screen's bounds turned upright (width at most height), which full-width and custom sizes
// are measured against: the device's portrait bounds (current on the main thread).
platform::Size GADPortraitScreenSize();

}  // namespace ads
