#include "ads/fullscreen/GADAdAppViewController.h"

#include "ads/fullscreen/GADAdAppAdViewDelegate.h"
#include "ads/fullscreen/GADFullScreenSlot.h"
#include "ads/fullscreen/GADIntrinsicImages.h"
#include "ads/fullscreen/GADMRAIDResizeProperties.h"
#include "ads/web/GADAdView.h"
#include "platform/net/UrlRequest.h"
#include "platform/runtime/WeakCall.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"

namespace ads {

using platform::ui::Button;

std::shared_ptr<GADAdAppViewController> GADAdAppViewController::create(
    std::shared_ptr<GADAdView> adView) {
    auto controller = std::make_shared<GADAdAppViewController>(Private{}, std::move(adView));
    controller->setUp();
    return controller;
}

GADAdAppViewController::GADAdAppViewController(Private key, std::shared_ptr<GADAdView> adView)
    : GADViewController(key), adView_(std::move(adView)) {}

void GADAdAppViewController::setUp() {
    auto weak = std::weak_ptr(std::static_pointer_cast<GADAdAppViewController>(self()));
    if (!adView_) {
        adView_ = GADAdView::create({});
        adView_->setViewController(weak);
    }
    closeButton_ = Button::create(platform::ui::ButtonType::Custom);
    closeButton_->setAccessibilityLabel("Close Advertisement");
    closeButton_->addTarget(
        platform::weakCall(weak, [](GADAdAppViewController& self,
                                    platform::ui::Control*) { self.closeButtonPressed(); }),
        platform::ui::ControlEventTouchUpInside);
}

GADAdAppViewController::~GADAdAppViewController() {
    detachAdView();
}

void GADAdAppViewController::detachAdView() {
    if (!adView_) return;
    if (adView_->viewController().get() == this) adView_->setViewController({});
    if (adViewDelegate_ && adView_->delegate() == adViewDelegate_) adView_->setDelegate({});
}

void GADAdAppViewController::setAdView(std::shared_ptr<GADAdView> adView) {
    if (adView == adView_) return;
    detachAdView();
    adView_ = std::move(adView);
}

void GADAdAppViewController::load(const platform::Url& url) {
    // The page's own delegate arrives with the configured view: loading earlier would lose the
    // landing page's timings.
    if (adView_ && viewHasAppeared_) {
        adView_->loadRequest(platform::UrlRequest(url));
        return;
    }
    URLToLoad_ = url;
}

void GADAdAppViewController::loadHTML(const std::string& html,
                                      const std::optional<platform::Url>& baseURL) {
    if (adView_ && viewHasAppeared_) {
        adView_->loadHTMLString(html, baseURL);
        return;
    }
    HTMLToLoad_ = html;
    HTMLBaseURLToLoad_ = baseURL;
}

void GADAdAppViewController::setUseCustomClose(bool useCustomClose) {
    if (useCustomClose == useCustomClose_) return;
    useCustomClose_ = useCustomClose;
    updateCloseButtonVisibilityAndImage();
}

void GADAdAppViewController::setCustomClosePosition(std::int64_t position) {
    customClosePosition_ = position;
    auto s = slot();
    if (s && s->isMRAIDEnabled()) positionMRAIDCloseButton();
}

bool GADAdAppViewController::isLoaded() const {
    return adViewDelegate_ && adViewDelegate_->hasLoadedAtLeastOnce();
}

void GADAdAppViewController::closeButtonPressed() {
    relinquishScreenWithCompletion(nullptr);
}

void GADAdAppViewController::updateCloseButtonVisibilityAndImage() {
    auto s = slot();
    const bool mraid = s && s->isMRAIDEnabled();
    if (useCustomClose_ && !mraid) {
        closeButton_->removeFromSuperview();
        return;
    }
    // Under MRAID the creative draws the control; the button stays as a tappable area.
    auto& images = GADIntrinsicImages::sharedInstance();
    closeButton_->setImage(useCustomClose_ ? images.transparentImage() : images.closeButton(),
                           platform::ui::ControlStateNormal);
    auto v = view();
    if (closeButton_->superview() == v)
        v->bringSubviewToFront(closeButton_);
    else
        v->addSubview(closeButton_);
}

void GADAdAppViewController::positionMRAIDCloseButton() {
    closeButton_->setAutoresizingMask(
        GADMRAIDResizeProperties::autoresizingMaskForClosePosition(customClosePosition_));
    closeButton_->setFrame(GADMRAIDResizeProperties::closeButtonRectForPosition(
        customClosePosition_, view()->bounds()));
}

void GADAdAppViewController::configureView() {
    auto v = view();
    if (adView_) {
        adView_->setFrame(v->bounds());
        // The platform has no layout pass for controllers: the page follows the view's size
        // by autoresizing while it stands in this view.
        adView_->setAutoresizingMask(platform::ui::AutoresizingFlexibleWidth |
                                     platform::ui::AutoresizingFlexibleHeight);
        adView_->setHidden(false);
        v->addSubview(adView_);
    }
    updateCloseButtonVisibilityAndImage();
    auto s = slot();
    if (s && s->isMRAIDEnabled()) {
        positionMRAIDCloseButton();
    } else {
        closeButton_->setAutoresizingMask(platform::ui::AutoresizingNone);
        closeButton_->setFrame({0, 0, kCloseButtonSide, kCloseButtonSide});
    }
    adViewDelegate_ =
        GADAdAppAdViewDelegate::create(std::static_pointer_cast<GADAdAppViewController>(self()));
    if (adView_) adView_->setDelegate(adViewDelegate_);

    if (auto url = std::move(URLToLoad_)) {
        URLToLoad_.reset();
        if (adView_) adView_->loadRequest(platform::UrlRequest(*url));
    } else if (auto html = std::move(HTMLToLoad_)) {
        HTMLToLoad_.reset();
        auto base = std::move(HTMLBaseURLToLoad_);
        HTMLBaseURLToLoad_.reset();
        if (adView_) adView_->loadHTMLString(*html, base);
    }
}

void GADAdAppViewController::viewWillAppear(bool animated) {
    GADViewController::viewWillAppear(animated);
    if (!viewHasAppeared_) {
        viewHasAppeared_ = true;
        configureView();
    }
    if (auto s = slot()) s->interstitialViewWillAppear();
}

void GADAdAppViewController::viewDidAppear(bool animated) {
    GADViewController::viewDidAppear(animated);
    if (adView_)
        adView_->forceRotateToOrientation(
            platform::ui::Application::shared().statusBarOrientation());
    if (auto s = slot(); s && showsItsAdView()) s->updateMRAIDVisibility(true);
}

void GADAdAppViewController::viewWillDisappear(bool animated) {
    GADViewController::viewWillDisappear(animated);
    if (auto s = slot()) {
        s->interstitialViewWillDisappear();
        // An ad view already back in its banner (an expanded ad's) goes on showing there.
        if (showsItsAdView()) s->updateMRAIDVisibility(false);
    }
}

bool GADAdAppViewController::showsItsAdView() {
    return adView_ && isViewLoaded() && adView_->isDescendantOf(view().get());
}

void GADAdAppViewController::viewChangedToOrientation(int orientation) {
    GADViewController::viewChangedToOrientation(orientation);
    if (adView_) adView_->didRotateToOrientation(orientation);
}

bool GADAdAppViewController::shouldDismissOnApplicationEnteringForeground() {
    if (useCustomClose_) return true;
    if (isLoaded() && adViewDelegate_->didOpenAnotherApplication()) {
        adViewDelegate_->setDidOpenAnotherApplication(false);
        return false;
    }
    return GADViewController::shouldDismissOnApplicationEnteringForeground();
}

}  // namespace ads
