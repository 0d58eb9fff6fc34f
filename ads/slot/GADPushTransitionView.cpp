#include "ads/slot/GADPushTransitionView.h"

#include <cmath>

#include "platform/runtime/MainLoop.h"
#include "platform/runtime/WeakCall.h"

namespace ads {

using platform::Rect;
using platform::ui::View;

std::shared_ptr<GADPushTransitionView> GADPushTransitionView::create(Rect frame) {
    auto view = std::make_shared<GADPushTransitionView>(Private{}, frame);
    view->commonInit();
    return view;
}

GADPushTransitionView::GADPushTransitionView(Private, Rect frame) : View(frame) {}

GADPushTransitionView::~GADPushTransitionView() {
    if (pendingStep_) pendingStep_->invalidate();
}

void GADPushTransitionView::commonInit() {
    setClipsToBounds(true);
    clippingView_ = View::create(Rect(0, 0, bounds().size.width, bounds().size.height));
    clippingView_->setClipsToBounds(true);
    // Fills this view whatever size it takes later.
    clippingView_->setAutoresizingMask(platform::ui::AutoresizingFlexibleWidth |
                                       platform::ui::AutoresizingFlexibleHeight);
    addSubview(clippingView_);
}

void GADPushTransitionView::setCurrentView(std::shared_ptr<View> view) {
    if (currentView_ && currentView_ != view) currentView_->removeFromSuperview();
    currentView_ = std::move(view);
    if (!currentView_) return;
    clippingView_->addSubview(currentView_);
    // Centred at its own size; equal flexible margins keep it centred when the clipping view
    // changes size.
    const Rect area = clippingView_->bounds();
    currentView_->setCenter({area.midX(), area.midY()});
    currentView_->setAutoresizingMask(platform::ui::AutoresizingFlexibleLeftMargin |
                                      platform::ui::AutoresizingFlexibleRightMargin |
                                      platform::ui::AutoresizingFlexibleTopMargin |
                                      platform::ui::AutoresizingFlexibleBottomMargin);
}

void GADPushTransitionView::setViews(std::vector<std::shared_ptr<View>> views) {
    setCurrentView(views.empty() ? nullptr : views.front());
    views_ = std::move(views);
    // The cycle goes on from the view just shown, not from where an earlier list left off.
    currentViewIndex_ = 0;
    restartCycle();
}

void GADPushTransitionView::setAnimationDuration(double seconds) {
    animationDuration_ = seconds;
    restartCycle();
}

void GADPushTransitionView::setPresentationDuration(double seconds) {
    presentationDuration_ = seconds;
    restartCycle();
}

double GADPushTransitionView::stepDelay() const {
    const double delay = animationDuration_ + presentationDuration_;
    if (!std::isfinite(delay) || delay < kMinimumStepDelay) return kMinimumStepDelay;
    return delay;
}

void GADPushTransitionView::restartCycle() {
    ++animationGroupIdentifier_;
    if (pendingStep_) {
        pendingStep_->invalidate();
        pendingStep_.reset();
    }
    dispatchAnimation();
}

void GADPushTransitionView::dispatchAnimation() {
    if (views_.size() < 2) return;
    const std::int64_t generation = animationGroupIdentifier_;
    std::weak_ptr<GADPushTransitionView> weak =
        std::static_pointer_cast<GADPushTransitionView>(shared_from_this());
    pendingStep_ = platform::MainLoop::main().postAfter(
        stepDelay(), platform::weakCall(weak, [generation](GADPushTransitionView& self) {
            if (self.animationGroupIdentifier_ != generation) return;
            self.pendingStep_.reset();
            self.animate();
        }));
}

void GADPushTransitionView::animate() {
    if (views_.empty()) return;
    dispatchAnimation();
    currentViewIndex_ = (currentViewIndex_ + 1) % views_.size();
    setCurrentView(views_[currentViewIndex_]);
    Transition push;
    push.duration = animationDuration_;
    lastTransition_ = push;
}

}  // namespace ads
