#pragma once

// What a rewarded video connector tells the waterfall that owns it (the shared rewarded video
// ad): its set-up, its ad, clicks and rewards. Screen events go straight to the app through
// the ad being presented. Main thread only.

#include <memory>

#include "platform/base/Error.h"

namespace ads {

class GADAdReward;
class GADMRewardBasedVideoAdNetworkConnector;

class GADMRewardBasedVideoAdConnectorDelegate {
  public:
    using Connector = GADMRewardBasedVideoAdNetworkConnector;
    virtual ~GADMRewardBasedVideoAdConnectorDelegate() = default;

    virtual void connectorDidSetUpRewardBasedVideoAd(Connector& connector) = 0;
    virtual void connectorDidFailToSetUpRewardBasedVideoAdWithError(
        Connector& connector, const platform::Error& error) = 0;
    virtual void connectorDidReceiveRewardBasedVideoAd(Connector& connector) = 0;
    virtual void connectorDidFailToReceiveRewardBasedVideoAdWithError(
        Connector& connector, const platform::Error& error) = 0;
    virtual void connectorDidReceiveClick(Connector& connector) = 0;
    virtual void connectorDidRewardUserWithReward(
        Connector& connector, const std::shared_ptr<const GADAdReward>& reward) = 0;
};

}  // namespace ads
