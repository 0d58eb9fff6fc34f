#include "ads/foundation/GADSettings.h"

#include <cmath>

#include "ads/foundation/GADSettingsKeys.h"
#include "platform/base/Value.h"
#include "platform/storage/UserDefaults.h"

namespace ads {

using platform::Value;
namespace keys = settings_keys;

GADSettings::GADSettings() : defaults_(&platform::UserDefaults::standard()) {}

GADSettings::GADSettings(platform::UserDefaults& defaults) : defaults_(&defaults) {}

std::optional<Value> GADSettings::object(const char* key) const {
    return defaults_->objectForKey(key);
}

std::optional<std::string> GADSettings::text(const char* key) const {
    auto value = object(key);
    if (!value) return std::nullopt;
    std::string s = value->stringValue();
    if (s.empty()) return std::nullopt;
    return s;
}

bool GADSettings::flag(const char* key, bool fallback) const {
    auto value = object(key);
    return value ? value->boolValue() : fallback;
}

std::int64_t GADSettings::integer(const char* key, std::int64_t fallback) const {
    auto value = object(key);
    return value ? value->integerValue() : fallback;
}

double GADSettings::positiveSeconds(const char* key, double fallback) const {
    auto value = object(key);
    if (!value) return fallback;
    const double seconds = value->doubleValue();
    return std::isfinite(seconds) && seconds > 0 ? seconds : fallback;
}

std::optional<std::string> GADSettings::badAdReportPath() const {
    return text(keys::kBadAdReportPath);
}

std::optional<std::string> GADSettings::asDomains() const {
    return text(keys::kAsDomains);
}

std::optional<std::string> GADSettings::iapReportFormat() const {
    return text(keys::kIapReportFormat);
}

std::optional<std::string> GADSettings::nativeAdSupportURL() const {
    return text(keys::kNativeAdSupportURL);
}

std::optional<std::string> GADSettings::spaceDelimitedUnicodeRange() const {
    return text(keys::kSpaceDelimitedUnicodeRange);
}

std::optional<std::string> GADSettings::characterDelimitedUnicodeRange() const {
    return text(keys::kCharacterDelimitedUnicodeRange);
}

std::optional<std::string> GADSettings::prefetchExperimentID() const {
    return text(keys::kPrefetchExperimentID);
}

std::optional<std::string> GADSettings::contentURLFingerprint() const {
    return text(keys::kContentURLFingerprint);
}

std::string GADSettings::iapRetrySuffix() const {
    auto value = object(keys::kIapRetrySuffix);
    return value ? value->stringValue() : "&retry=1";
}

std::vector<std::string> GADSettings::iapEquivalentClasses() const {
    auto value = object(keys::kIapEquivalentClasses);
    if (!value || !(value->isArray() || value->isString())) return {"DORUzuraruzero"};
    std::vector<std::string> names;
    if (value->isArray()) {
        for (const Value& name : value->asArray()) {
            if (name.isString() && !name.stringRef().empty()) names.push_back(name.stringRef());
        }
        return names;
    }
    // The SDK core stores every constant as the server's text.
    const std::string& list = value->stringRef();
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t comma = list.find(',', start);
        if (comma == std::string::npos) comma = list.size();
        if (comma > start) names.push_back(list.substr(start, comma - start));
        start = comma + 1;
    }
    return names;
}

bool GADSettings::bannerPreventAutoplay() const {
    return flag(keys::kBannerPreventAutoplay, false);
}

bool GADSettings::enableSignedInAds() const {
    return flag(keys::kEnableSignedInAds, false);
}

bool GADSettings::prefetchEnabled() const {
    return flag(keys::kPrefetchEnabled, false);
}

bool GADSettings::contentURLEnabled() const {
    return flag(keys::kContentURLEnabled, false);
}

bool GADSettings::deeplinkplusEnabled() const {
    return flag(keys::kDeeplinkplusEnabled, true);
}

bool GADSettings::disableInterstitialClickPingOnClickNavigation() const {
    auto value = object(keys::kDisableInterstitialClickPingOnClickNavigation);
    return value && value->stringValue() == "1";
}

std::int64_t GADSettings::webViewCacheMaxCapacity() const {
    const std::int64_t capacity = integer(keys::kWebViewCacheMaxCapacity, 0);
    return capacity >= 0 && capacity <= 9 ? capacity : 0;
}

std::int64_t GADSettings::adKeyParentViewCount() const {
    return integer(keys::kAdKeyParentViewCount, 20);
}

std::int64_t GADSettings::contentAgeWeight() const {
    return integer(keys::kContentAgeWeight, 1);
}

std::int64_t GADSettings::contentLengthWeight() const {
    return integer(keys::kContentLengthWeight, 1);
}

std::int64_t GADSettings::minimumParagraphLength() const {
    return integer(keys::kMinimumParagraphLength, 6);
}

std::int64_t GADSettings::maximumShingleCount() const {
    return integer(keys::kMaximumShingleCount, 10);
}

std::int64_t GADSettings::contentQueueMaximumCapacity() const {
    return integer(keys::kContentQueueMaximumCapacity, 10);
}

std::int64_t GADSettings::shingleLength() const {
    return integer(keys::kShingleLength, 6);
}

std::int64_t GADSettings::urlTimeToLive() const {
    return integer(keys::kUrlTimeToLive, 3);
}

std::int64_t GADSettings::maximumRetryURLCount() const {
    return integer(keys::kMaximumRetryURLCount, 10);
}

double GADSettings::minimumSignedInAdsTokenLifespan() const {
    return positiveSeconds(keys::kMinimumSignedInAdsTokenLifespan, 60);
}

double GADSettings::traversalInterval() const {
    return positiveSeconds(keys::kTraversalInterval, 10);
}

double GADSettings::pingInterval() const {
    return positiveSeconds(keys::kPingInterval, 60);
}

double GADSettings::csiReportingProbability() const {
    auto value = object(keys::kCsiReportingProbability);
    if (!value) return 0.05;
    const double probability = value->doubleValue();
    return std::isfinite(probability) ? probability : 0.05;
}

std::optional<std::vector<std::string>> GADSettings::whitelistedAdRequestDomains() const {
    auto value = object(keys::kWhitelistedAdRequestDomains);
    if (!value || !value->isArray()) return std::nullopt;
    std::vector<std::string> hosts;
    for (const Value& host : value->asArray()) {
        if (host.isString()) hosts.push_back(host.stringRef());
    }
    return hosts;
}

std::map<std::string, std::string> GADSettings::clickthroughConfirmSchemes() const {
    auto value = object(keys::kClickthroughConfirmSchemes);
    if (!value || !value->isDictionary()) return {{"tel", "Call"}, {"facetime", "FaceTime"}};
    std::map<std::string, std::string> schemes;
    for (const auto& [scheme, title] : value->asDictionary()) {
        if (title.isString()) schemes.emplace(scheme, title.stringRef());
    }
    return schemes;
}

}  // namespace ads
