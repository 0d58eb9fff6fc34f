#include "ads/fullscreen/GADExpandedAdAppViewController.h"

#include "ads/foundation/GADViewAdditions.h"
#include "ads/fullscreen/GADFullScreenSlot.h"
#include "ads/fullscreen/GADMRAIDStateReport.h"
#include "ads/web/GADAdView.h"
#include "platform/gfx/Image.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Screen.h"

namespace ads {

std::shared_ptr<GADExpandedAdAppViewController> GADExpandedAdAppViewController::create(
    std::shared_ptr<GADAdView> adView) {
    if (!adView) return nullptr;
    auto controller =
        std::make_shared<GADExpandedAdAppViewController>(Private{}, std::move(adView));
    controller->setUp();
    return controller;
}

GADExpandedAdAppViewController::~GADExpandedAdAppViewController() {
    if (renderedBanner_) renderedBanner_->removeFromSuperview();
}

void GADExpandedAdAppViewController::configureView() {
    if (auto& adView = this->adView()) {
        adView->saveState();
        adView->setViewController(std::static_pointer_cast<GADAdAppViewController>(self()));
        if (auto superview = adView->superview()) {
            platform::ui::ImagePtr picture;
            auto pixels = gad_render(*adView);
            if (!pixels.empty()) {
                auto size = adView->bounds().size;
                picture = std::make_shared<platform::ui::Image>(
                    "", size, std::make_shared<platform::gfx::Image>(std::move(pixels)),
                    platform::ui::Screen::mainScreen().scale());
            }
            renderedBanner_ = platform::ui::ImageView::create(picture, adView->frame());
            superview->addSubview(renderedBanner_);
        }
        adView->removeFromSuperview();
        adView->reset();
    }
    GADAdAppViewController::configureView();
}

void GADExpandedAdAppViewController::relinquishScreenWithCompletion(
    std::function<void()> completion) {
    if (!isOnScreen()) return;
    // The ad goes back to its banner now; its state follows when the screen has gone.
    if (auto s = slot()) GADMRAIDStateReport::layoutWillChange(s->MRAIDEventHandler());
    auto& adView = this->adView();
    if (adView && adView->viewController().get() == this) adView->restoreState();
    GADAdAppViewController::relinquishScreenWithCompletion(std::move(completion));
}

}  // namespace ads
