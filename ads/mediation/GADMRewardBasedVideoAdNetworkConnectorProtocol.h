#pragma once

// What a rewarded video connector offers its adapter: the network's credentials and the
// publisher's targeting of the current load (GADMConnectorTargeting), and the callbacks through
// which the adapter reports its set-up, its ad, and what the user does with the shown ad. Callbacks
// name the calling adapter. Main thread only.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ads/mediation/GADMConnectorTargeting.h"
#include "platform/base/Error.h"
#include "platform/base/Value.h"

namespace ads {

class GADAdReward;
class GADMRewardBasedVideoAdNetworkAdapter;

class GADMRewardBasedVideoAdNetworkConnectorProtocol : public GADMConnectorTargeting {
  public:
    virtual ~GADMRewardBasedVideoAdNetworkConnectorProtocol() = default;

    // What the adapter reports.
    using Adapter = GADMRewardBasedVideoAdNetworkAdapter;
    virtual void adapterDidSetUpRewardBasedVideoAd(Adapter& adapter) = 0;
    virtual void adapterDidFailToSetUpRewardBasedVideoAdWithError(Adapter& adapter,
                                                                  const platform::Error& error) = 0;
    virtual void adapterDidGetAdClick(Adapter& adapter) = 0;
    virtual void adapterDidReceiveRewardBasedVideoAd(Adapter& adapter) = 0;
    virtual void adapterDidOpenRewardBasedVideoAd(Adapter& adapter) = 0;
    virtual void adapterDidStartPlayingRewardBasedVideoAd(Adapter& adapter) = 0;
    virtual void adapterDidCloseRewardBasedVideoAd(Adapter& adapter) = 0;
    // The network's own idea of the reward; nothing when it has none.
    virtual void adapterDidRewardUserWithReward(
        Adapter& adapter, const std::shared_ptr<const GADAdReward>& reward) = 0;
    virtual void adapterWillLeaveApplication(Adapter& adapter) = 0;
    virtual void adapterDidFailToLoadRewardBasedVideoAdwithError(Adapter& adapter,
                                                                 const platform::Error& error) = 0;
};

}  // namespace ads
