#include "ads/fullscreen/GADTransparentOverlayPresenter.h"

#include <algorithm>

#include "ads/foundation/GADDevice.h"
#include "ads/fullscreen/GADFullScreenSlot.h"
#include "ads/fullscreen/GADUnclickableView.h"
#include "ads/fullscreen/GADViewController.h"
#include "platform/ui/Application.h"
#include "platform/ui/Screen.h"
#include "platform/ui/Window.h"

namespace ads {

namespace {

std::shared_ptr<platform::ui::Window> windowOf(platform::ui::View& view) {
    auto* window = view.window();
    if (!window) return nullptr;
    return std::static_pointer_cast<platform::ui::Window>(window->shared_from_this());
}

platform::Rect applicationFrame() {
    return platform::ui::Screen::mainScreen().applicationFrame();
}

}  // namespace

std::shared_ptr<GADTransparentOverlayPresenter> GADTransparentOverlayPresenter::create() {
    return std::make_shared<GADTransparentOverlayPresenter>(Private{});
}

GADTransparentOverlayPresenter::GADTransparentOverlayPresenter(Private) {
    auto portrait = GADDevice::sharedInstance()->standardizedPortraitScreenBounds();
    double side = std::max(portrait.size.width, portrait.size.height);
    pivotView_ = GADUnclickableView::create({0, 0, side, side});
    cropView_ = GADUnclickableView::create();
}

GADTransparentOverlayPresenter::~GADTransparentOverlayPresenter() = default;

platform::Rect GADTransparentOverlayPresenter::frameWithSizeCenteredInFrame(platform::Size size,
                                                                            platform::Rect frame) {
    return {frame.origin.x + (frame.size.width - size.width) / 2,
            frame.origin.y + (frame.size.height - size.height) / 2, size.width, size.height};
}

platform::AffineTransform GADTransparentOverlayPresenter::transformForOrientation(int) const {
    return platform::AffineTransform::identity();
}

platform::Rect GADTransparentOverlayPresenter::pivotedApplicationFrameForOrientation(int) const {
    auto oriented = GADDevice::sharedInstance()->standardizedOrientedApplicationFrame();
    return frameWithSizeCenteredInFrame(oriented.size, pivotView_->bounds());
}

std::shared_ptr<platform::ui::Window> GADTransparentOverlayPresenter::hostWindow() const {
    if (auto presented = presented_.lock(); presented && presented->isViewLoaded())
        if (auto window = windowOf(*presented->view())) return window;
    return platform::ui::Application::shared().keyWindow();
}

bool GADTransparentOverlayPresenter::isReadyToPresent() {
    return presented_.lock() && hostWindow();
}

bool GADTransparentOverlayPresenter::presentFromViewController(
    const std::shared_ptr<platform::ui::ViewController>& root, std::function<void()> completion) {
    auto presented = presented_.lock();
    if (!root || !presented) return false;
    auto window = root->isViewLoaded() ? windowOf(*root->view()) : nullptr;
    if (!window) window = platform::ui::Application::shared().keyWindow();
    if (!window) return false;
    window->addSubview(pivotView_);
    composeTransparentInterstitialViewsForPresentation();
    animateTransparentInterstitialPresentationWithCompletionHandler(std::move(completion));
    return true;
}

void GADTransparentOverlayPresenter::composeTransparentInterstitialViewsForPresentation() {
    auto presented = presented_.lock();
    if (!presented) return;
    auto view = presented->view();
    view->setBackgroundColor(platform::Color::clear());
    // A view faded out by an earlier dismissal shows again.
    view->setAlpha(1);
    pivotView_->setFrame(
        frameWithSizeCenteredInFrame(pivotView_->bounds().size, applicationFrame()));
    pivotView_->setOpaque(false);
    pivotView_->setBackgroundColor(platform::Color::clear());

    int orientation = platform::ui::Application::shared().statusBarOrientation();
    cropView_->setFrame(pivotedApplicationFrameForOrientation(orientation));
    view->setFrame(cropView_->bounds());
    view->setAutoresizingMask(platform::ui::AutoresizingFlexibleWidth |
                              platform::ui::AutoresizingFlexibleHeight);
    pivotView_->addSubview(cropView_);
    cropView_->addSubview(view);
    pivotView_->setTransform(transformForOrientation(orientation));
    presented->viewChangedToOrientation(orientation);

    auto& center = platform::NotificationCenter::defaultCenter();
    orientationChangeListener_ =
        center.observe(platform::ui::kDidChangeStatusBarOrientationNotification, nullptr,
                       [weak = weak_from_this()](const platform::Notification&) {
                           if (auto self = weak.lock())
                               self->updateTransparentInterstitialOrientation();
                       });
    placementDisappearanceObserver_.reset();
    if (auto slot = presented->slot()) {
        placementDisappearanceObserver_ = center.observe(
            kGADSlotDidLeaveWindowNotification, slot->notificationObject(),
            [weak = std::weak_ptr(presented)](const platform::Notification&) {
                auto controller = weak.lock();
                if (controller && controller->isViewLoaded() && controller->view()->window())
                    controller->relinquishScreenWithCompletion({});
            },
            platform::NotificationCenter::mainLoopDelivery());
    }
}

void GADTransparentOverlayPresenter::
    animateTransparentInterstitialPresentationWithCompletionHandler(
        std::function<void()> completion) {
    // Up from the bottom edge of the screen.
    double height = applicationFrame().size.height;
    auto start = pivotView_->frame();
    start.origin.y += height;
    pivotView_->setFrame(start);
    platform::ui::View::animate(
        kSlideDuration,
        [pivot = pivotView_, height] {
            auto frame = pivot->frame();
            frame.origin.y -= height;
            pivot->setFrame(frame);
        },
        [completion = std::move(completion)](bool) {
            if (completion) completion();
        });
}

void GADTransparentOverlayPresenter::updateTransparentInterstitialOrientation() {
    int orientation = platform::ui::Application::shared().statusBarOrientation();
    auto frame = applicationFrame();
    platform::ui::View::animate(
        kOrientationAnimationDuration,
        [this, orientation, frame] {
            cropView_->setFrame(pivotedApplicationFrameForOrientation(orientation));
            pivotView_->setCenter({frame.midX(), frame.midY()});
            pivotView_->setTransform(transformForOrientation(orientation));
        },
        [weak = presented_, orientation](bool) {
            if (auto presented = weak.lock()) presented->viewChangedToOrientation(orientation);
        });
}

std::shared_ptr<platform::ui::ViewController>
GADTransparentOverlayPresenter::presentationViewController() {
    auto window = hostWindow();
    if (!window) return nullptr;
    auto top = window->rootViewController();
    while (top && top->presentedViewController()) top = top->presentedViewController();
    return top;
}

void GADTransparentOverlayPresenter::dismissWithCompletionHandler(
    std::function<void()> completion) {
    orientationChangeListener_.reset();
    placementDisappearanceObserver_.reset();
    auto presented = presented_.lock();
    auto view = presented && presented->isViewLoaded() ? presented->view() : nullptr;
    platform::ui::View::animate(
        kFadeDuration,
        [view] {
            if (view) view->setAlpha(0);
        },
        [pivot = pivotView_, view, completion = std::move(completion)](bool) {
            pivot->removeFromSuperview();
            if (view) view->removeFromSuperview();
            if (completion) completion();
        });
}

}  // namespace ads
