#pragma once

// The slot's side of its creative's MRAID bridge: the object the ad's MRAIDEventHandler points
// at once the creative's mraid.js announced itself ("mraidLoaded"). It tells the creative the
// screen ("onScreenInfoChanged", again whenever the application frame changes), the device's
// features ("onDeviceFeaturesReceived"), readiness ("onReadyEventReceived"), visibility
// ("onAdVisibilityChanged"), its size and default position ("onSizeChanged",
// "onDefaultPositionReceived", each only when changed) and errors ("onError").
//
// Screen, features and readiness go to the page at once; visibility, position and errors are
// queued behind the page's load. A second "mraidLoaded" of the same ad starts nothing twice.
// The MRAID life ends when the slot lets its ad go (MRAIDAdDidUnload): orientation listening
// stops and the ads forget their handler.
//
// Main thread only. The slot owns it; it holds the slot weakly.

#include <memory>
#include <string>

#include "ads/foundation/GADMRAIDEventHandling.h"
#include "platform/base/Geometry.h"
#include "platform/base/Value.h"

namespace ads {

class GADSlot;

class GADSlotMRAID : public GADMRAIDEventHandling,
                     public std::enable_shared_from_this<GADSlotMRAID> {
    struct Private {};

  public:
    static std::shared_ptr<GADSlotMRAID> create(std::weak_ptr<GADSlot> slot);
    GADSlotMRAID(Private, std::weak_ptr<GADSlot> slot) : slot_(std::move(slot)) {}

    void MRAIDAdDidLoad() override;
    void MRAIDAdDidUnload() override;
    void updateVisibility(bool visible) override;
    void updatePositionFromView(const std::shared_ptr<platform::ui::View>& view) override;
    void handleError(const std::string& message, const std::string& action) override;

    void notifyOrientationToMRAIDCreative();
    void notifyDeviceFeatures();
    void SDKDidBecomeReady();
    bool isLoaded() const { return loaded_; }

    // {"width", "height", "x", "y"} of the standardized rectangle.
    static platform::Value::Dictionary creativePositionDictionaryForActiveViewBounds(
        platform::Rect bounds);

  private:
    std::shared_ptr<GADSlot> slot() const { return slot_.lock(); }
    void post(const std::string& name, const platform::Value::Dictionary& parameters) const;
    void queue(const std::string& name, const platform::Value::Dictionary& parameters) const;
    bool isEnabled() const;

    std::weak_ptr<GADSlot> slot_;
    bool loaded_ = false;
    platform::Rect usableInterfaceFrame_;
    platform::Rect creativeWebViewFrame_;
    platform::Rect creativeAdFrame_;
};

}  // namespace ads
