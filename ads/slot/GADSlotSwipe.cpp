#include "ads/slot/GADSlotSwipe.h"

#include <cmath>

#include "ads/foundation/GADDevice.h"
#include "ads/foundation/GADRectUtilities.h"
#include "ads/fullscreen/GADOverlayProxy.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADSDKCoreController.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/ui/Screen.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/ViewController.h"

namespace ads {

namespace ui = platform::ui;
using platform::Value;

std::shared_ptr<GADSlotSwipe> GADSlotSwipe::create(GADSwipeHost host) {
    return std::make_shared<GADSlotSwipe>(Private{}, std::move(host));
}

GADSlotSwipe::GADSlotSwipe(Private, GADSwipeHost host) : host_(std::move(host)) {}

GADSlotSwipe::~GADSlotSwipe() {
    if (checker_) checker_->stop();
    if (recognizer_) {
        recognizer_->removeTarget(target_);
        if (auto view = recognizerView_.lock()) view->removeGestureRecognizer(recognizer_.get());
    }
}

double GADSlotSwipe::samplingInterval() {
    const double seconds = GADSDKCoreController::sharedInstance()->swipeToViewSamplingInterval();
    return std::isfinite(seconds) && seconds > 0 ? seconds : kDefaultSamplingInterval;
}

void GADSlotSwipe::adFinishedLoadingContent() {
    if (host_.configurations && host_.configurations()) scheduleSwipeToViewControllerChecker();
}

void GADSlotSwipe::willProcessAd() {
    unscheduleSwipeToViewControllerChecker();
    disableSwipeToViewController();
    takeDownSheet();
}

void GADSlotSwipe::abandonSwipe() {
    // Without the recognizer no finger can finish the swipe under way: it is cancelled as a
    // cancelled gesture would be, and the sheet it was bringing goes.
    if (animationController_ && animationController_->isInteractive()) {
        animationController_->handlePanGesture(ui::GestureState::Cancelled, 0, 0,
                                               ui::Screen::mainScreen().bounds().size.height);
    }
}

void GADSlotSwipe::scheduleSwipeToViewControllerChecker() {
    MOVU_CHECK_MAIN_THREAD();
    if (checker_) return;
    checker_ = GADScheduler::create(samplingInterval());
    std::weak_ptr<GADSlotSwipe> weak = weak_from_this();
    checkerTaskID_ = checker_->taskIDScheduledOnQueue(GADQueue::main(), [weak] {
        if (auto self = weak.lock()) self->canEnableSwipeToViewController();
    });
    checker_->start();
}

void GADSlotSwipe::unscheduleSwipeToViewControllerChecker() {
    if (!checker_) return;
    checker_->unscheduleTaskWithID(checkerTaskID_);
    checker_->stop();
    checker_.reset();
}

void GADSlotSwipe::canEnableSwipeToViewController() {
    MOVU_CHECK_MAIN_THREAD();
    // A sheet the app's own code dismissed never said so: its going still ends the SDK screen
    // and lets the slot go.
    if (sheet_ && !sheet_->presentingViewController()) takeDownSheet();
    if (!host_.configurations() || strongSlot_) return;
    auto adView = host_.adView();
    if (!adView) return;
    bool scrollable = false;
    for (auto v = adView->superview(); v; v = v->superview())
        scrollable |= dynamic_cast<const ui::ScrollView*>(v.get()) != nullptr;
    Value params = Value::dictionary(
        {{"creativeFrame",
          GADDictionaryFromCGRect(adView->convertRectToView(adView->bounds(), nullptr))},
         {"deviceFrame", GADDictionaryFromCGRect(ui::Screen::mainScreen().applicationFrame())},
         {"deviceOrientation",
          Value(GADDevice::sharedInstance()->orientationLandscape() ? "landscape" : "portrait")},
         {"anySuperViewScrollable", Value(scrollable ? "1" : "0")}});
    if (savedParams_ && *savedParams_ == params) return;
    savedParams_ = params;
    adView->postJSNotification("onAdVisible", &params.asDictionary());
}

void GADSlotSwipe::setUpAnimationController(double duration) {
    if (animationController_) return;
    auto animation = std::make_shared<GADViewControllerFullScreenSwipeAnimation>();
    animation->duration = duration;
    animationController_ =
        std::make_shared<GADPercentDrivenUserInteractionAnimationController>(animation);
    recognizer_ = ui::PanGestureRecognizer::create();
}

void GADSlotSwipe::enableSwipeToViewController(const std::string& direction, bool draggable) {
    MOVU_CHECK_MAIN_THREAD();
    auto configurations = host_.configurations();
    if (!configurations) return;
    configurations->setSwipeDirection(direction == "top_to_bottom" ? GADSwipeDirection::TopToBottom
                                      : direction == "bottom_to_top"
                                          ? GADSwipeDirection::BottomToTop
                                          : GADSwipeDirection::None);
    configurations->setAdDraggable(draggable);
    auto view = host_.swipeView ? host_.swipeView() : nullptr;
    if (!view || !host_.rootViewController) return;
    setUpAnimationController(configurations->swipeAnimationTransitionDuration());
    if (!enabled_) {
        enabled_ = true;
        animationController_->setDelegate(weak_from_this());
        std::weak_ptr<GADSlotSwipe> weak = weak_from_this();
        target_ = recognizer_->addTarget([weak](ui::GestureRecognizer& g) {
            auto self = weak.lock();
            if (!self) return;
            auto& pan = static_cast<ui::PanGestureRecognizer&>(g);
            self->handlePanGesture(g.state(), g.locationInView(nullptr),
                                   pan.velocityInView(nullptr).y);
        });
    }
    if (recognizerView_.lock() != view) {
        if (auto old = recognizerView_.lock()) old->removeGestureRecognizer(recognizer_.get());
        view->addGestureRecognizer(recognizer_);
        recognizerView_ = view;
    }
    // Every enable sets the way and the view dragged along, the page may change either.
    auto& animation = *animationController_->transitionAnimation();
    animation.direction = configurations->swipeDirection();
    animation.draggableView = draggable ? view : std::shared_ptr<ui::View>();
}

void GADSlotSwipe::disableSwipeToViewController() {
    MOVU_CHECK_MAIN_THREAD();
    if (auto configurations = host_.configurations ? host_.configurations() : nullptr) {
        configurations->setSwipeDirection(GADSwipeDirection::None);
        configurations->setAdDraggable(false);
    }
    if (!enabled_) return;
    abandonSwipe();
    savedParams_.reset();
    enabled_ = false;
    recognizer_->removeTarget(target_);
    if (auto view = recognizerView_.lock()) view->removeGestureRecognizer(recognizer_.get());
    recognizerView_.reset();
}

bool GADSlotSwipe::shouldProcessTouch(platform::Point windowPoint) const {
    auto configurations = host_.configurations();
    auto view = recognizerView_.lock();
    if (!configurations || !view) return false;
    const platform::Point p = view->convertPointFromView(windowPoint, nullptr);
    for (const auto& r : configurations->swipeableRectangles()) {
        if (p.x >= r.origin.x && p.y >= r.origin.y && p.x < r.origin.x + r.size.width &&
            p.y < r.origin.y + r.size.height)
            return true;
    }
    return false;
}

void GADSlotSwipe::handlePanGesture(ui::GestureState state, platform::Point windowPoint,
                                    double velocityY) {
    MOVU_CHECK_MAIN_THREAD();
    if (!animationController_) return;
    auto self = shared_from_this();
    const double screenHeight = ui::Screen::mainScreen().bounds().size.height;
    if (state == ui::GestureState::Began) {
        if (!shouldProcessTouch(windowPoint)) {
            // Disabling cancels the gesture; its cancellation enables it again.
            recognizer_->setEnabled(false);
            return;
        }
        animationController_->transitionAnimation()->startY = windowPoint.y;
        auto configurations = host_.configurations();
        if (!configurations || !presentSheet(*configurations)) return;
    } else if (state == ui::GestureState::Cancelled && !animationController_->isInteractive()) {
        recognizer_->setEnabled(true);
        return;
    }
    // Only a presentation under way takes the finger.
    if (!animationController_->isInteractive()) return;
    animationController_->handlePanGesture(state, windowPoint.y, velocityY, screenHeight);
}

bool GADSlotSwipe::presentSheet(const GADSwipeToViewControllerConfigurations& configurations) {
    auto root = host_.rootViewController ? host_.rootViewController() : nullptr;
    const auto product = configurations.swipeableInAppStoreProductID();
    if (!root || !product) return false;
    strongSlot_ = host_.retainSlot ? host_.retainSlot() : nullptr;
    sheet_ = platform::services::StoreProductSheet::create();
    sheet_->loadProduct(*product);
    sheet_->setDelegate(weak_from_this());
    sheet_->setTransitioningDelegate(animationController_);
    sheet_->setModalPresentationStyle(ui::ModalPresentationStyle::OverFullScreen);
    auto proxy = GADOverlayProxy::create(sheet_);
    if (proxy) proxy->setSlot(host_.fullScreenSlot ? host_.fullScreenSlot() : nullptr);
    if (!proxy || !proxy->presentFromViewController(root, {})) {
        sheet_.reset();
        strongSlot_.reset();
        return false;
    }
    return true;
}

void GADSlotSwipe::takeDownSheet() {
    auto sheet = std::move(sheet_);
    sheet_.reset();
    auto hold = std::move(strongSlot_);
    strongSlot_.reset();
    if (!sheet) return;
    // The slot is let go once the sheet has gone, a turn after the proxy told the slot's
    // intermission, so an owner that let go of the banner meanwhile still had it answer.
    GADOverlayProxy::relinquishOrDismiss(
        sheet, [hold = std::move(hold)] { GADQueue::main().async([hold] {}); });
}

void GADSlotSwipe::post(const char* name) {
    auto adView = host_.adView ? host_.adView() : nullptr;
    if (!adView) return;
    auto configurations = host_.configurations ? host_.configurations() : nullptr;
    const Value::Dictionary metadata =
        configurations && configurations->swipeEventCreativeMetadata()
            ? *configurations->swipeEventCreativeMetadata()
            : Value::Dictionary{};
    adView->postJSNotification(name, &metadata);
}

void GADSlotSwipe::animationControllerDidFinishAnimationTransition(
    GADPercentDrivenUserInteractionAnimationController&) {
    post("onSwipeableViewControllerPresentationFinished");
}

void GADSlotSwipe::animationControllerDidCancelAnimationTransition(
    GADPercentDrivenUserInteractionAnimationController&) {
    post("onSwipeableViewControllerPresentationCanceled");
    // The platform undoes the presentation once the sheet is back where it started.
    takeDownSheet();
}

void GADSlotSwipe::productViewControllerDidFinish(platform::services::StoreProductSheet& sheet) {
    // A sheet on its way out still shows its button until it has gone: one "Done" is enough.
    if (&sheet != sheet_.get()) return;
    // Through the proxy and the platform's dismissal, which the sheet's animator replays.
    takeDownSheet();
    post("onSwipeToViewControllerDismissed");
}

}  // namespace ads
