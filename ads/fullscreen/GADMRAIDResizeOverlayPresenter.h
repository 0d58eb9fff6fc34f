#pragma once

// Shows a resized MRAID banner: the banner's ad view, in an expanded ad controller, laid over
// the app at the rectangle the creative's resize properties give relative to the banner's
// superview (the reference view), while the rest of the app stays visible and takes touches.
//
// Properties are accepted when their content frame, in the reference view's coordinates, is
// valid for the visible application frame (GADMRAIDResizeProperties::isContentFrameValid), or,
// without offscreen, once moved into it (adjustedContentFrame: only content larger than the
// visible area fails). Rejections reach the creative through its MRAID event handler:
//   - setResizeProperties with properties that fail (or none): "Received invalid resize
//     properties <values>", "setResizeProperties"; the old ones stay in force.
//   - isReadyToPresent with stored properties that fail: "Tried to resize with invalid resize
//     properties <values>", "resize"; with none at all: the same with "(null)".
//   - after a rotation, content that no longer fits: "Resize properties became invalid after
//     device rotation.", "resize", and the resized ad closes.
// After a rotation or new properties the content is moved to its frame and checked again
// every kSettleInterval seconds (on the main loop's clock) until it has settled.
//
// Main thread only. Holds the reference view strongly and the event handler weakly; its
// settle checks hold it weakly.

#include <memory>
#include <optional>

#include "ads/fullscreen/GADMRAIDResizeProperties.h"
#include "ads/fullscreen/GADTransparentOverlayPresenter.h"

namespace platform::ui {
class View;
}

namespace ads {

class GADAdView;
class GADMRAIDEventHandling;

class GADMRAIDResizeOverlayPresenter : public GADTransparentOverlayPresenter {
  public:
    static constexpr double kSettleInterval = 0.1;
    static constexpr const char* kReceivedInvalid = "Received invalid resize properties ";
    static constexpr const char* kTriedInvalid = "Tried to resize with invalid resize properties ";
    static constexpr const char* kInvalidAfterRotation =
        "Resize properties became invalid after device rotation.";

    static std::shared_ptr<GADMRAIDResizeOverlayPresenter> create(
        std::shared_ptr<platform::ui::View> referenceView);
    GADMRAIDResizeOverlayPresenter(Private key, std::shared_ptr<platform::ui::View> referenceView)
        : GADTransparentOverlayPresenter(key), referenceView_(std::move(referenceView)) {}

    // Stores the properties when they are valid relative to the reference view; otherwise
    // reports them and keeps the ones in force. Answers whether they were taken.
    bool setResizeProperties(const std::optional<GADMRAIDResizeProperties>& properties);
    // The first properties, stored unchecked: isReadyToPresent checks them.
    void setInitialResizeProperties(const std::optional<GADMRAIDResizeProperties>& properties) {
        resizeProperties_ = properties;
    }
    const std::optional<GADMRAIDResizeProperties>& resizeProperties() const {
        return resizeProperties_;
    }
    bool dismissToDefaultState() const { return dismissToDefaultState_; }
    void setDismissToDefaultState(bool dismiss) { dismissToDefaultState_ = dismiss; }
    std::shared_ptr<GADMRAIDEventHandling> MRAIDEventHandler() const {
        return MRAIDEventHandler_.lock();
    }
    void setMRAIDEventHandler(std::weak_ptr<GADMRAIDEventHandling> handler) {
        MRAIDEventHandler_ = std::move(handler);
    }
    // The resized ad: an error no handler hears is written out of its page's log budget.
    void setAdView(std::weak_ptr<GADAdView> adView) { adView_ = std::move(adView); }
    const std::shared_ptr<platform::ui::View>& referenceView() const { return referenceView_; }
    void setReferenceView(std::shared_ptr<platform::ui::View> view) {
        referenceView_ = std::move(view);
    }

    // Whether the properties are taken relative to the view (its coordinates are the
    // offsets'; none: the window's). The opener's road asks before its gate, so invalid
    // properties are told as such, touched or not.
    static bool resizePropertiesAreValid(const GADMRAIDResizeProperties& properties,
                                         const platform::ui::View* relativeTo);
    // The content moved into the bounds along each axis; its size never changes, and content
    // larger than the bounds ends at their left or top edge.
    static platform::Rect adjustedContentFrame(platform::Rect content, platform::Rect bounds);
    // Where the content goes in the crop view.
    platform::Rect contentFrame() const;
    void repositionContentIfNeeded();

    bool isReadyToPresent() override;

  protected:
    void composeTransparentInterstitialViewsForPresentation() override;
    void updateTransparentInterstitialOrientation() override;

  private:
    void reportError(const std::string& message, const std::string& action) const;

    std::optional<GADMRAIDResizeProperties> resizeProperties_;
    bool dismissToDefaultState_ = true;
    std::weak_ptr<GADMRAIDEventHandling> MRAIDEventHandler_;
    std::weak_ptr<GADAdView> adView_;
    std::shared_ptr<platform::ui::View> referenceView_;
};

}  // namespace ads
