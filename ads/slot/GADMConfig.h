#pragma once

// A server's mediation configuration as the waterfall reads it: the ad type to mediate, the
// refresh interval, the per-network time-out, the transition, the ping templates, the query
// data, the rewards and the ad networks in the server's order (GADMAdNetworkConfig). Parsed
// from the decoded JSON of a mediation answer; read-only afterwards except the ad type, which
// the slot replaces when the server's is unknown.
//
// Untrusted input: every value of the wrong type is passed over and its default stays. The
// parse fails (code 7) only without a network list or with a network that has no usable id;
// a network without a usable adapter class is kept (the waterfall skips it) and its code-8
// text is logged for the developer. A server's answer cannot make a waterfall endless: only
// the first kMaxAdNetworks networks are kept, and no network is waited for longer than
// kMaxAdNetworkTimeout. Made on any thread.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ads/foundation/GADAdType.h"
#include "ads/foundation/GADRequestError.h"
#include "ads/slot/GADMAdNetworkConfig.h"
#include "platform/base/Value.h"

namespace ads {

class GADMConfig {
    struct Private {};

  public:
    static constexpr double kDefaultAdNetworkTimeout = 10.0;
    // Seconds; a longer time-out from the server is cut to it.
    static constexpr double kMaxAdNetworkTimeout = 60.0;
    // Networks of one answer that a waterfall may ask; the rest are dropped with a log line.
    static constexpr std::size_t kMaxAdNetworks = 100;
    static constexpr std::int64_t kDefaultBannerAnimationType = 8;
    // A refresh interval of this many seconds or more is no refresh.
    static constexpr double kRefreshIntervalLimit = 30000.0;

    // Nothing, with the error set, when the configuration cannot be used.
    static std::shared_ptr<GADMConfig> create(std::optional<std::string> appKey,
                                              const platform::Value& configuration,
                                              std::optional<GADRequestError>& error);
    // The ad type a configuration names, without parsing the rest.
    static GADAdType peekAdTypeFromConfig(const platform::Value& configuration);
    // The exact name ("banner", "mrec", "interstitial", ...); anything else is a banner of the
    // invalid size.
    static GADAdType adTypeFromString(std::string_view name);

    explicit GADMConfig(Private) {}

    const std::vector<std::shared_ptr<const GADMAdNetworkConfig>>& adNetworkConfigs() const {
        return adNetworkConfigs_;
    }
    double refreshInterval() const { return refreshInterval_; }
    std::int64_t bannerAnimationType() const { return bannerAnimationType_; }
    // Seconds; always finite, above 0 and at most kMaxAdNetworkTimeout.
    double adNetworkTimeout() const { return adNetworkTimeout_; }
    const std::vector<std::string>& impressionURLs() const { return impressionURLs_; }
    const std::vector<std::string>& clickURLs() const { return clickURLs_; }
    const std::vector<std::string>& noFillURLs() const { return noFillURLs_; }
    const std::optional<std::string>& qdata() const { return qdata_; }
    const GADAdType& adType() const { return adType_; }
    void setAdType(const GADAdType& type) { adType_ = type; }
    const std::optional<std::string>& appKey() const { return appKey_; }
    // Dictionaries with "rb_type" and "rb_amount", as the server sent them.
    const platform::Value::Array& rewards() const { return rewards_; }

    // "<GADMConfig 0x...>:\nqdata:... adTypeString:... refresh:... transition:...
    // ad_networks:(...)"
    std::string description() const;

  private:
    bool parse(const platform::Value& configuration, std::optional<GADRequestError>& error);
    void readSettings(const platform::Value::Dictionary& settings);

    std::vector<std::shared_ptr<const GADMAdNetworkConfig>> adNetworkConfigs_;
    double refreshInterval_ = 0;
    std::int64_t bannerAnimationType_ = kDefaultBannerAnimationType;
    double adNetworkTimeout_ = kDefaultAdNetworkTimeout;
    std::vector<std::string> impressionURLs_;
    std::vector<std::string> clickURLs_;
    std::vector<std::string> noFillURLs_;
    std::optional<std::string> qdata_;
    GADAdType adType_ = GADAdType::bannerAdTypeForSize(kGADAdSizeInvalid);
    std::optional<std::string> appKey_;
    platform::Value::Array rewards_;
};

}  // namespace ads
