#pragma once

// The slot's side of its creative's MRAID bridge: the object the ad's MRAIDEventHandler points
// at once the creative's mraid.js announced itself ("mraidLoaded"). It tells the creative the
// screen ("onScreenInfoChanged"), the device's features ("onDeviceFeaturesReceived"),
// readiness ("onReadyEventReceived"), visibility ("onAdVisibilityChanged"), its size and
// default position ("onSizeChanged", "onDefaultPositionReceived") and errors ("onError").
//
// The announcement is answered by one delivery: the screen, the creative's size and default
// position, its visibility when it shows, the features, and then ready, so that nothing the
// creative reads at "ready" is still unknown. From then on each fact is sent only when it
// changed: the screen when the application frame or the orientation did, the size and
// position at each viewability sample or layout change that moved the ad, the visibility
// whenever the player's view of the ad changed (the ad's view shown in the key window of the
// active application, not hidden, faded out or clipped away; the ad's own screens say so too
// as they appear and go). While the layout changes (MRAIDLayoutWillChange, from the start of
// an expand, resize or collapse to its state event) nothing measured is sent: the state event
// carries the new layout's size with it (MRAIDLayoutDidChange), so no listener reads a state
// with the size of another layout.
//
// The default position is the owner's place (GADSlotDelegate::frameInInterface); a banner out
// of every window whose place was never told (an owner that puts it on screen only once it has
// its ad) is placed where its frame puts it, measured as its size is, and an interstitial's
// place is the whole application frame it will fill: so "ready" always carries a place.
//
// Visibility notices of the ad's own screens (shown, about to go) that come while its layout
// changes are left to the change's end, which measures what is on screen: an ad going back to
// its banner stays viewable instead of reading hidden until its state arrives.
//
// An expand, two-part expand or resize the page asks for before the slot has shown its ad
// waits here (holdLayoutChange) and runs, on a turn of its own, once the ad is valid and on
// screen, through the opener as any other; the next ad's load drops it.
//
// Screen, features and readiness go to the page at once; visibility, position and errors are
// queued behind the page's load. A second "mraidLoaded" of the same ad starts nothing twice.
// The MRAID life ends when the slot lets its ad go (MRAIDAdDidUnload): orientation listening
// stops and the ads forget their handler.
//
// Main thread only. The slot owns it; it holds the slot weakly.

#include <functional>
#include <memory>
#include <optional>
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
    void MRAIDLayoutWillChange() override;
    GADMRAIDEvents MRAIDLayoutDidChange(const std::shared_ptr<platform::ui::View>& view,
                                        bool always) override;
    GADMRAIDEvents MRAIDEventsForPage(const std::shared_ptr<platform::ui::View>& page) override;

    // A change of the creative's layout asked for before the slot showed its ad. One waits at
    // a time: another is refused with the MRAID error of its action.
    void holdLayoutChange(const std::string& action, std::function<void()> change);
    bool holdsLayoutChange() const { return static_cast<bool>(heldLayoutChange_); }
    // Once the slot's ad is valid and on screen, the held change runs on a later turn (never
    // inside the page's load or a sample); it is checked again then.
    void runHeldLayoutChangeIfShown();

    void notifyOrientationToMRAIDCreative();
    void notifyDeviceFeatures();
    void SDKDidBecomeReady();
    bool isLoaded() const { return loaded_; }
    // What the creative was last told of its visibility.
    bool isViewable() const { return viewable_; }

    // {"width", "height", "x", "y"} of the standardized rectangle.
    static platform::Value::Dictionary creativePositionDictionaryForActiveViewBounds(
        platform::Rect bounds);
    // Whether the player can see some of the view now: it stands in the key window of the
    // active application, and neither it nor an ancestor is hidden, faded out or clips it away.
    static bool isShowing(const platform::ui::View& view);

  private:
    std::shared_ptr<GADSlot> slot() const { return slot_.lock(); }
    void post(const std::string& name, const platform::Value::Dictionary& parameters) const;
    void queue(const std::string& name, const platform::Value::Dictionary& parameters) const;
    bool isEnabled() const;

    GADMRAIDEvents::value_type screenInfoEvent() const;
    GADMRAIDEvents::value_type deviceFeaturesEvent() const;
    // The view's frame as the creative reads it (in the status bar's orientation, from the
    // application frame's corner); without a window, where it stands when its outermost
    // ancestor is put in a window at that ancestor's own frame, or nothing when asked for a
    // view in a window only.
    std::optional<platform::Rect> creativeFrameOfView(const platform::ui::View& view,
                                                      bool inWindowOnly) const;
    // The ad's place from the application frame's corner: the owner's; out of every window and
    // before any place was told, where the banner's ad view stands; for an interstitial, the
    // whole application frame.
    std::optional<platform::Rect> defaultPosition() const;
    bool readyToRunHeldLayoutChange() const;
    // Size, default position and visibility of the view, each only when it changed (the size
    // also when `alwaysSize`), recorded as told.
    GADMRAIDEvents positionEvents(const platform::ui::View& view, bool inWindowOnly,
                                  bool alwaysSize);
    // A changed application frame or orientation is told before anything measured in it.
    void notifyScreenIfChanged();

    std::weak_ptr<GADSlot> slot_;
    std::function<void()> heldLayoutChange_;
    bool heldLayoutChangeScheduled_ = false;
    bool loaded_ = false;
    bool layoutChanging_ = false;
    bool viewable_ = false;
    std::optional<platform::Value::Dictionary> screenInfo_;
    platform::Rect usableInterfaceFrame_;
    platform::Rect creativeWebViewFrame_;
    platform::Rect creativeAdFrame_;
};

}  // namespace ads
