#pragma once

// The server-tuned settings of the SDK, read from the user defaults (the SDK core writes
// them as the server's texts). Each reader converts by the program's number-from-text rules
// and answers its built-in default while the key is absent. Thread-safe, as the user defaults
// are; every call reads the current value.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace platform {
class UserDefaults;
class Value;
}  // namespace platform

namespace ads {

class GADSettings {
  public:
    // Reads the standard user defaults unless given others.
    GADSettings();
    explicit GADSettings(platform::UserDefaults& defaults);

    // Texts, when present and not empty (the caller has its own built-in value).
    std::optional<std::string> badAdReportPath() const;
    // Comma-separated host suffixes of the ad server.
    std::optional<std::string> asDomains() const;
    std::optional<std::string> iapReportFormat() const;
    std::optional<std::string> nativeAdSupportURL() const;
    std::optional<std::string> spaceDelimitedUnicodeRange() const;
    std::optional<std::string> characterDelimitedUnicodeRange() const;
    std::optional<std::string> prefetchExperimentID() const;
    std::optional<std::string> contentURLFingerprint() const;
    // "&retry=1" when absent.
    std::string iapRetrySuffix() const;
    // Class names: a stored list, or a text split at "," (empty pieces dropped);
    // ["DORUzuraruzero"] when absent.
    std::vector<std::string> iapEquivalentClasses() const;

    bool bannerPreventAutoplay() const;  // false
    bool enableSignedInAds() const;      // false
    bool prefetchEnabled() const;        // false
    bool contentURLEnabled() const;      // false
    bool deeplinkplusEnabled() const;    // true
    // Only the text "1" disables the ping.
    bool disableInterstitialClickPingOnClickNavigation() const;

    // 0 to 9; absent or anything else is 0 (no reuse).
    std::int64_t webViewCacheMaxCapacity() const;
    std::int64_t adKeyParentViewCount() const;         // 20
    std::int64_t contentAgeWeight() const;             // 1
    std::int64_t contentLengthWeight() const;          // 1
    std::int64_t minimumParagraphLength() const;       // 6
    std::int64_t maximumShingleCount() const;          // 10
    std::int64_t contentQueueMaximumCapacity() const;  // 10
    std::int64_t shingleLength() const;                // 6
    std::int64_t urlTimeToLive() const;                // 3
    std::int64_t maximumRetryURLCount() const;         // 10

    // Seconds. A value of 0 or less, or one that is not a finite number, counts as absent: a
    // zero interval would ping or walk the views as often as the scheduler allows.
    double minimumSignedInAdsTokenLifespan() const;  // 60
    double traversalInterval() const;                // 10
    double pingInterval() const;                     // 60
    double csiReportingProbability() const;          // 0.05

    // Host names; nothing when absent.
    std::optional<std::vector<std::string>> whitelistedAdRequestDomains() const;
    // URL scheme to the confirm button's title; {"tel": "Call", "facetime": "FaceTime"} when
    // absent.
    std::map<std::string, std::string> clickthroughConfirmSchemes() const;

  private:
    std::optional<platform::Value> object(const char* key) const;
    std::optional<std::string> text(const char* key) const;
    bool flag(const char* key, bool fallback) const;
    std::int64_t integer(const char* key, std::int64_t fallback) const;
    double positiveSeconds(const char* key, double fallback) const;

    platform::UserDefaults* defaults_;
};

}  // namespace ads
