#include "ads/slot/GADMConfig.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>

#include "ads/foundation/GADLogger.h"
#include "platform/base/StringEscaping.h"

namespace ads {

using platform::Value;

namespace {

constexpr std::pair<const char*, GADAdSize> kBannerNames[] = {
    {"banner", kGADAdSizeBanner},           {"largebanner", kGADAdSizeLargeBanner},
    {"mrec", kGADAdSizeMediumRectangle},    {"fullbanner", kGADAdSizeFullBanner},
    {"leaderboard", kGADAdSizeLeaderboard}, {"skyscraper", kGADAdSizeSkyscraper},
};

// A number, or a string read as one; nothing for any other value.
std::optional<double> doubleOf(const Value* value) {
    if (!value || !(value->isNumber() || value->isString())) return std::nullopt;
    return value->doubleValue();
}

}  // namespace

GADAdType GADMConfig::adTypeFromString(std::string_view name) {
    if (name == "interstitial") return GADAdType::interstitialAdType();
    for (const auto& [known, size] : kBannerNames) {
        if (name == known) return GADAdType::bannerAdTypeForSize(size);
    }
    return GADAdType::bannerAdTypeForSize(kGADAdSizeInvalid);
}

GADAdType GADMConfig::peekAdTypeFromConfig(const Value& configuration) {
    const Value* type = configuration.find("ad_type");
    return adTypeFromString(type && type->isString() ? type->stringRef() : std::string_view{});
}

std::shared_ptr<GADMConfig> GADMConfig::create(std::optional<std::string> appKey,
                                               const Value& configuration,
                                               std::optional<GADRequestError>& error) {
    auto config = std::make_shared<GADMConfig>(Private{});
    config->appKey_ = std::move(appKey);
    if (!config->parse(configuration, error)) return nullptr;
    return config;
}

bool GADMConfig::parse(const Value& configuration, std::optional<GADRequestError>& error) {
    adType_ = peekAdTypeFromConfig(configuration);
    if (const Value* settings = configuration.find("settings");
        settings && settings->isDictionary()) {
        readSettings(settings->asDictionary());
    }
    if (const Value* qdata = configuration.find("qdata"); qdata && qdata->isString()) {
        qdata_ = qdata->stringRef();
    }
    const Value* networks = configuration.find("ad_networks");
    if (!networks || !networks->isArray()) {
        error = GADRequestError::errorWithCode(kGADErrorMediationDataError);
        return false;
    }
    for (const Value& entry : networks->asArray()) {
        if (!entry.isDictionary()) continue;
        if (adNetworkConfigs_.size() == kMaxAdNetworks) {
            // Each network costs a turn and up to a time-out, and the pings carry a code and a
            // duration for each: an answer of thousands would stall the slot for hours.
            GADLogger::sharedInstance().logPublicMessage(
                "The mediation response names more than " + std::to_string(kMaxAdNetworks) +
                " ad networks; only the first " + std::to_string(kMaxAdNetworks) + " are tried.");
            break;
        }
        auto parsed = GADMAdNetworkConfig::parse(entry);
        if (parsed.config) adNetworkConfigs_.push_back(std::move(parsed.config));
        if (!parsed.error) continue;
        if (parsed.error->code != kGADErrorMediationAdapterError) {
            error = std::move(parsed.error);
            return false;
        }
        // Names from the server: escaped so that nothing it sends can forge log lines.
        GADLogger::sharedInstance().logPublicMessage(
            platform::logValue(parsed.error->localizedDescription(), platform::kLogTextMaxBytes));
    }
    return true;
}

void GADMConfig::readSettings(const Value::Dictionary& settings) {
    const auto find = [&](const char* key) -> const Value* {
        const auto it = settings.find(key);
        return it == settings.end() ? nullptr : &it->second;
    };
    if (const auto refresh = doubleOf(find("refresh"))) {
        refreshInterval_ = std::isnan(*refresh) || *refresh >= kRefreshIntervalLimit ? 0 : *refresh;
    }
    if (const auto millis = doubleOf(find("ad_network_timeout_millis"))) {
        const double seconds = *millis / 1000.0;
        // A time-out that never ends, or has already ended, would stall or skip every network;
        // a very long one holds a silent network (and the banner waiting on it) for as long.
        adNetworkTimeout_ = std::isfinite(seconds) && seconds > 0
                                ? std::min(seconds, kMaxAdNetworkTimeout)
                                : kDefaultAdNetworkTimeout;
    }
    if (const Value* transition = find("ad_transition_anim");
        transition && (transition->isNumber() || transition->isString())) {
        const std::int64_t value = transition->integerValue();
        if (value >= 0 && value <= 8) bannerAnimationType_ = value;
    }
    impressionURLs_ = GADMAdNetworkConfig::strings(find("imp_urls"));
    clickURLs_ = GADMAdNetworkConfig::strings(find("click_urls"));
    noFillURLs_ = GADMAdNetworkConfig::strings(find("nofill_urls"));
    if (const Value* rewards = find("rewards"); rewards && rewards->isArray()) {
        for (const Value& reward : rewards->asArray()) {
            if (reward.isDictionary()) rewards_.push_back(reward);
        }
    }
}

std::string GADMConfig::description() const {
    char head[64];
    std::snprintf(head, sizeof head, "<GADMConfig %p>", static_cast<const void*>(this));
    char numbers[96];
    std::snprintf(numbers, sizeof numbers, " refresh:%f transition:%lld", refreshInterval_,
                  static_cast<long long>(bannerAnimationType_));
    std::string networks;
    for (const auto& network : adNetworkConfigs_) {
        networks += networks.empty() ? "" : ", ";
        networks += network->description();
    }
    return std::string(head) + ":\nqdata:" + qdata_.value_or("(null)") +
           " adTypeString:" + adType_.description() + numbers + " ad_networks:(" + networks + ")";
}

}  // namespace ads
