#pragma once

// What an ad network's rewarded video adapter offers the SDK. Such a class is registered by
// name in platform::ClassRegistry with a factory for this interface, the protocol name
// kProtocolName and a GADMAdapterClassRecord for what its class answers (its version and the
// class of its network extras); the configuration's adapter choice takes a class that declares
// the protocol.
//
// The waterfall makes one adapter per class and keeps it between loads: initWithConnector
// once, setUpWithUserID once for the user, then requestRewardBasedVideoAd per load and
// presentRewardBasedVideoAdWithRootViewController when the app shows the ad. The adapter
// keeps its connector weakly and answers through it, on the main thread, in any turn (also
// inside the call that asked). After stopBeingDelegate it calls nothing back.

#include <memory>
#include <string>

namespace platform::ui {
class ViewController;
}

namespace ads {

class GADMRewardBasedVideoAdNetworkConnectorProtocol;

class GADMRewardBasedVideoAdNetworkAdapter {
  public:
    static constexpr const char* kProtocolName = "GADMRewardBasedVideoAdNetworkAdapter";

    virtual ~GADMRewardBasedVideoAdNetworkAdapter() = default;

    virtual void initWithGADMAdNetworkConnector(
        std::weak_ptr<GADMRewardBasedVideoAdNetworkConnectorProtocol> connector) = 0;
    // Rewards must reach this user; the adapter answers set up or failed.
    virtual void setUpWithUserID(const std::string& userID) = 0;
    virtual void requestRewardBasedVideoAd() = 0;
    virtual void presentRewardBasedVideoAdWithRootViewController(
        const std::shared_ptr<platform::ui::ViewController>& root) = 0;
    virtual void stopBeingDelegate() = 0;
};

}  // namespace ads
