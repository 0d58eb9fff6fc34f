#pragma once

// The names, addresses and texts the native room shares with the support page, the server
// and the app, each written once.

#include <cstdint>

namespace ads {

// The SDK version the support page and click messages are told.
inline constexpr const char* kGADNativeSDKVersion = "7.5.2";
// A user default that names another support page (an http(s) address).
inline constexpr const char* kGADNativeAdSupportURLKey = "/zivivu/ads/native_ad_support_url";
// The built-in support page, on the ad server.
inline constexpr const char* kGADNativeAdSupportPagePath =
    "/mads/static/mad/sdk/native/native_ads.html";
// The page message the support page answers preprocessing with, and its value's key.
inline constexpr const char* kGADNativeAdPreProcessMessage = "nativeAdPreProcess";
inline constexpr const char* kGADNativeAdPreProcessSuccessKey = "success";
// The support page's functions; each takes JSON object literals.
inline constexpr const char* kGADNativeAdPreProcessFunction =
    "zivivu.rade.nativeAds.preProcessJsonGmsg";
inline constexpr const char* kGADNativeAdHandleClickFunction =
    "zivivu.rade.nativeAds.handleClickGmsg";
// The format name of server configurations.
inline constexpr const char* kGADNativeAdFormatNative = "native";

// The loader's and the native ad's lock queues.
inline constexpr const char* kGADAdLoaderQueueLabel = "com.zivivu.durez.adloader";
inline constexpr const char* kGADNativeAdQueueLabel = "com.zivivu.durez.native-ad";
// Where a native ad's pictures decode.
inline constexpr const char* kGADNativeAdImageQueueLabel = "com.zivivu.durez.native-image";

// How long the support page may take: its answer within 5 s of its load, and a page that never
// loads at most the SDK core's page allowance and those 5 s.
inline constexpr double kGADAdPreprocessorAnswerSeconds = 5;
inline constexpr double kGADAdPreprocessorDeadlineSeconds = 35;

// Remote pictures: bodies up to 4 MiB, pictures up to 16 megapixels, 60 s per request.
inline constexpr std::int64_t kGADNativeAdImageMaxBytes = 4 * 1024 * 1024;
inline constexpr std::uint64_t kGADNativeAdImageMaxPixels = 16u * 1000u * 1000u;
inline constexpr double kGADNativeAdImageTimeoutSeconds = 60;

}  // namespace ads
