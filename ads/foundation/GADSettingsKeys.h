#pragma once

// The user-default keys of the server-tuned SDK settings, in one place. The SDK core page
// sends the constants and the SDK core writes each under "/zivivu/ads/" + its name; other
// components write the keys listed after them. Stored preferences use these names, so they
// never change.

namespace ads::settings_keys {

// Written from the SDK core page's constants (texts, except the two decoded ones).
inline constexpr const char* kBadAdReportPath = "/zivivu/ads/bad_ad_report_path";
inline constexpr const char* kAsDomains = "/zivivu/ads/as_domains";
inline constexpr const char* kIapEquivalentClasses = "/zivivu/ads/iap_equivalent_classes";
inline constexpr const char* kIapReportFormat = "/zivivu/ads/iap_report_format";
inline constexpr const char* kIapRetrySuffix = "/zivivu/ads/iap_retry_suffix";
inline constexpr const char* kNativeAdSupportURL = "/zivivu/ads/native_ad_support_url";
inline constexpr const char* kBannerPreventAutoplay = "/zivivu/ads/banner_prevent_autoplay";
inline constexpr const char* kWebViewCacheMaxCapacity = "/zivivu/ads/web_view_cache_max_capacity";
inline constexpr const char* kAdKeyParentViewCount = "/zivivu/ads/ad_key_parent_view_count";
inline constexpr const char* kEnableSignedInAds = "/zivivu/ads/enable_signed_in_ads";
inline constexpr const char* kMinimumSignedInAdsTokenLifespan =
    "/zivivu/ads/minimum_signed_in_ads_token_lifespan";
inline constexpr const char* kContentAgeWeight = "/zivivu/ads/content_age_weight";
inline constexpr const char* kContentLengthWeight = "/zivivu/ads/content_length_weight";
inline constexpr const char* kSpaceDelimitedUnicodeRange =
    "/zivivu/ads/space_delimited_unicode_range";
inline constexpr const char* kMinimumParagraphLength = "/zivivu/ads/minimum_paragraph_length";
inline constexpr const char* kMaximumShingleCount = "/zivivu/ads/maximum_shingle_count";
inline constexpr const char* kContentQueueMaximumCapacity =
    "/zivivu/ads/content_queue_maximum_capacity";
inline constexpr const char* kShingleLength = "/zivivu/ads/shingle_length";
inline constexpr const char* kTraversalInterval = "/zivivu/ads/traversal_interval";
inline constexpr const char* kCharacterDelimitedUnicodeRange =
    "/zivivu/ads/character_delimited_unicode_range";
inline constexpr const char* kCsiRequestBatchSize = "/zivivu/ads/csi_request_batch_size";
inline constexpr const char* kCsiReportingProbability = "/zivivu/ads/csi_reporting_probability";
inline constexpr const char* kCsiReportingInterval = "/zivivu/ads/csi_reporting_interval";
inline constexpr const char* kDisableInterstitialClickPingOnClickNavigation =
    "/zivivu/ads/disable_interstitial_click_ping_on_click_navigation";
inline constexpr const char* kUrlTimeToLive = "/zivivu/ads/url_time_to_live";
inline constexpr const char* kMaximumRetryURLCount = "/zivivu/ads/maximum_retry_url_count";
inline constexpr const char* kPingInterval = "/zivivu/ads/ping_interval";
inline constexpr const char* kPrefetchExperimentID = "/zivivu/ads/prefetch_experiment_id";
inline constexpr const char* kPrefetchEnabled = "/zivivu/ads/prefetch_enabled";
inline constexpr const char* kDeeplinkplusEnabled = "/zivivu/ads/deeplinkplus_enabled";
inline constexpr const char* kWhitelistedAdRequestDomains =
    "/zivivu/ads/whitelisted_ad_request_domains";
inline constexpr const char* kClickthroughConfirmSchemes =
    "/zivivu/ads/clickthrough_confirm_schemes";

// The plain constants in the order the SDK core writes them; each is "/zivivu/ads/" + name.
inline constexpr const char* kPlainConstantNames[] = {
    "bad_ad_report_path",
    "as_domains",
    "iap_equivalent_classes",
    "iap_report_format",
    "iap_retry_suffix",
    "native_ad_support_url",
    "banner_prevent_autoplay",
    "web_view_cache_max_capacity",
    "ad_key_parent_view_count",
    "enable_signed_in_ads",
    "minimum_signed_in_ads_token_lifespan",
    "content_age_weight",
    "content_length_weight",
    "space_delimited_unicode_range",
    "minimum_paragraph_length",
    "maximum_shingle_count",
    "content_queue_maximum_capacity",
    "shingle_length",
    "traversal_interval",
    "character_delimited_unicode_range",
    "csi_request_batch_size",
    "csi_reporting_probability",
    "csi_reporting_interval",
    "disable_interstitial_click_ping_on_click_navigation",
    "url_time_to_live",
    "maximum_retry_url_count",
    "ping_interval",
    "prefetch_experiment_id",
    "prefetch_enabled",
    "deeplinkplus_enabled",
};
inline constexpr const char* kKeyPrefix = "/zivivu/ads/";

// Written by the components that own them.
inline constexpr const char* kContentURLEnabled = "/zivivu/ads/content_url_enabled";
inline constexpr const char* kUseHttps = "/zivivu/ads/use_https";
inline constexpr const char* kSignedInTokens = "/zivivu/ads/SignedInTokens";
inline constexpr const char* kRetryGroupKeys = "/zivivu/ads/retry_group_keys";
inline constexpr const char* kRetryCount = "/zivivu/ads/retry_count";
inline constexpr const char* kCrashReporting = "/zivivu/ads/crash_reporting";
inline constexpr const char* kContentURLFingerprint = "/zivivu/ads/content_url_fingerprint";
inline constexpr const char* kAutoIap = "/zivivu/ads/auto-iap";

}  // namespace ads::settings_keys
