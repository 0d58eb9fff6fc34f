#pragma once

// The slot's swipe to a store sheet: while an ad with a swipe configuration shows, the slot's
// ad geometry is sampled and told to the page ("onAdVisible") whenever it changes; the page
// turns the swipe on and off ("enableSwipeToViewController", "disableSwipeToViewController",
// GADSwipeToViewControllerGMSGHandler); a pan that starts inside one of the configuration's
// rectangles presents the product's store sheet through a GADOverlayProxy (so the app hears
// will-present and the dismissals, and banners stop reloading while it is up) and moves it
// with the finger (GADSwipeAnimation, the sheet's own transition). The page hears
// "onSwipeableViewControllerPresentationFinished" or "...Canceled" when the finger lets go,
// and "onSwipeToViewControllerDismissed" when the sheet's "Done" closes it, each with the
// creative's metadata; "Done" replays the presentation backwards.
//
// Rules of our own: sampling runs at the SDK core's interval, or 0.4 s when it has none (0)
// or one that is not finite and above 0. A pan reaches the finger's controller only once a
// presentation started; a pan that presents nothing sends no event and lets go of the slot. A
// cancelled swipe takes the sheet down through its proxy and drops it; so does a new ad, and
// turning the swipe off cancels a swipe under way. Whichever way the sheet goes, the slot is
// let go once it has gone; a sheet the app dismissed itself is noticed at the next sample. The
// sheet is presented over the app (our full-screen presentations take the covered view out), so the
// app shows under the moving sheet.
//
// Main thread only. The slot owns this and reaches it as its host (functions holding the slot
// weakly); while a swipe presentation is under way this holds the slot (its owner may let go
// meanwhile).

#include <functional>
#include <memory>

#include "ads/foundation/GADScheduler.h"
#include "ads/foundation/GADSwipeToViewControllerConfigurations.h"
#include "ads/slot/GADSwipeAnimation.h"
#include "platform/base/Value.h"
#include "platform/services/StoreProductSheet.h"
#include "platform/ui/PanGestureRecognizer.h"

namespace platform::ui {
class View;
class ViewController;
}  // namespace platform::ui

namespace ads {

class GADAdView;
class GADFullScreenSlot;

struct GADSwipeHost {
    std::function<std::shared_ptr<GADAdView>()> adView;
    // The configuration of the ad shown now, or nullptr.
    std::function<std::shared_ptr<GADSwipeToViewControllerConfigurations>()> configurations;
    // The slot owner's view that carries the recognizer and is dragged along, and the
    // controller to present from; either may be missing.
    std::function<std::shared_ptr<platform::ui::View>()> swipeView;
    std::function<std::shared_ptr<platform::ui::ViewController>()> rootViewController;
    std::function<std::shared_ptr<GADFullScreenSlot>()> fullScreenSlot;
    // A strong reference to the slot, held while a presentation is under way.
    std::function<std::shared_ptr<void>()> retainSlot;
};

class GADSlotSwipe : public GADPercentDrivenUserInteractionAnimationControllerDelegate,
                     public platform::services::StoreProductSheetDelegate,
                     public std::enable_shared_from_this<GADSlotSwipe> {
    struct Private {};

  public:
    static constexpr double kDefaultSamplingInterval = 0.4;
    static std::shared_ptr<GADSlotSwipe> create(GADSwipeHost host);
    GADSlotSwipe(Private, GADSwipeHost host);
    ~GADSlotSwipe() override;

    static double samplingInterval();

    // The slot's entry points.
    void adFinishedLoadingContent();
    void willProcessAd();

    void scheduleSwipeToViewControllerChecker();
    void unscheduleSwipeToViewControllerChecker();
    void canEnableSwipeToViewController();

    // The page's two actions.
    void enableSwipeToViewController(const std::string& direction, bool draggable);
    void disableSwipeToViewController();
    bool isEnabled() const { return enabled_; }

    // A point in window coordinates.
    bool shouldProcessTouch(platform::Point windowPoint) const;
    void handlePanGesture(platform::ui::GestureState state, platform::Point windowPoint,
                          double velocityY);

    const std::shared_ptr<platform::services::StoreProductSheet>& storeSheet() const {
        return sheet_;
    }
    bool holdsSlot() const { return strongSlot_ != nullptr; }
    const std::shared_ptr<platform::ui::PanGestureRecognizer>& recognizer() const {
        return recognizer_;
    }
    const std::shared_ptr<GADPercentDrivenUserInteractionAnimationController>& animationController()
        const {
        return animationController_;
    }

    void productViewControllerDidFinish(platform::services::StoreProductSheet& sheet) override;
    void animationControllerDidFinishAnimationTransition(
        GADPercentDrivenUserInteractionAnimationController&) override;
    void animationControllerDidCancelAnimationTransition(
        GADPercentDrivenUserInteractionAnimationController&) override;

  private:
    void setUpAnimationController(double duration);
    bool presentSheet(const GADSwipeToViewControllerConfigurations& configurations);
    // Takes the sheet down through its proxy and lets go of the slot once it has gone.
    void takeDownSheet();
    void abandonSwipe();
    void post(const char* name);

    GADSwipeHost host_;
    std::shared_ptr<GADScheduler> checker_;
    std::int64_t checkerTaskID_ = -1;
    std::optional<platform::Value> savedParams_;
    bool enabled_ = false;
    std::shared_ptr<GADPercentDrivenUserInteractionAnimationController> animationController_;
    std::shared_ptr<platform::ui::PanGestureRecognizer> recognizer_;
    platform::ui::GestureRecognizer::TargetId target_ = 0;
    std::weak_ptr<platform::ui::View> recognizerView_;
    std::shared_ptr<platform::services::StoreProductSheet> sheet_;
    std::shared_ptr<void> strongSlot_;
};

}  // namespace ads
