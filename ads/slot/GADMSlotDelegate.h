#pragma once

// What a slot asks of its mediation manager: walk a configuration's ad networks for an ad
// type, resize or present what a network delivered, and stop. The slot makes its manager at
// its creation from the class registry by kClassName, so the slot needs nothing of the
// mediation room above it; while no manager class is registered, mediation answers fail
// with code 8.
//
// Main thread, except cancel, which may be called from anywhere (its work is posted to the
// main thread).

#include <memory>
#include <optional>
#include <string>

#include "ads/foundation/GADAdType.h"

namespace platform::ui {
class ViewController;
}

namespace ads {

class GADMConfig;
class GADSlot;

// The connector classes the slot's owners name for their ads (GADAdMediationDelegate).
inline constexpr const char* kGADMBannerConnectorClassName = "GADMAdNetworkConnectorBanner";
inline constexpr const char* kGADMInterstitialConnectorClassName =
    "GADMAdNetworkConnectorInterstitial";

class GADMSlotDelegate {
  public:
    static constexpr const char* kClassName = "GADMAdManager";

    virtual ~GADMSlotDelegate() = default;

    // The owner, held weakly.
    virtual void setSlot(std::weak_ptr<GADSlot> slot) = 0;
    // Starts a pass over the configuration's networks; while one runs, only the type and the
    // configuration are replaced and the running pass goes on with its remaining networks.
    virtual void mediateForAdType(const GADAdType& type, std::shared_ptr<GADMConfig> config) = 0;
    // Whether the network whose ad is shown resized it.
    virtual bool changeAdTypeTo(const std::optional<GADAdType>& type) = 0;
    virtual void presentInterstitialFromRootViewController(
        const std::shared_ptr<platform::ui::ViewController>& root) = 0;
    // Stops the running pass and lets go of every network.
    virtual void cancel() = 0;
    // Drops work posted for the running pass and its time-out.
    virtual void cancelPendingActions() = 0;
    // The registered class name of the adapter whose ad is shown; nothing before one
    // delivered.
    virtual std::optional<std::string> receivedAdapterClassName() const = 0;
};

}  // namespace ads
