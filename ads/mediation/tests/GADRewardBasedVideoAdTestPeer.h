#pragma once

// What tests read inside a rewarded video ad beyond the app's face: the waterfall's
// configuration and connectors, and the request in flight.

#include <memory>
#include <optional>
#include <string>

#include "ads/mediation/GADRewardBasedVideoAd.h"

namespace ads {

class GADRewardBasedVideoAdTestPeer {
  public:
    explicit GADRewardBasedVideoAdTestPeer(GADRewardBasedVideoAd& ad) : ad_(ad) {}
    explicit GADRewardBasedVideoAdTestPeer(const std::shared_ptr<GADRewardBasedVideoAd>& ad)
        : ad_(*ad) {}

    const std::shared_ptr<GADMConfig>& mediationConfig() const { return ad_.mediationConfig(); }
    std::shared_ptr<GADMRewardBasedVideoAdNetworkConnector> connectorFor(
        const std::string& adapterClassName) const {
        return ad_.connectorFor(adapterClassName);
    }
    std::optional<std::string> requestID() const { return ad_.requestID(); }

  private:
    GADRewardBasedVideoAd& ad_;
};

}  // namespace ads
