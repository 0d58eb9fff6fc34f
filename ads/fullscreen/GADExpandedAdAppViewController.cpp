#include "ads/fullscreen/GADExpandedAdAppViewController.h"

#include "ads/foundation/GADViewAdditions.h"
#include "ads/fullscreen/GADFullScreenSlot.h"
#include "ads/fullscreen/GADMRAIDStateReport.h"
#include "ads/web/GADAdView.h"
#include "platform/gfx/Image.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Painter.h"
#include "platform/ui/Screen.h"

namespace ads {

namespace {

// The still picture in the banner's place. Where the banner's ad view stands on screen itself
// (a resize over its own place) the ad is what shows there: its transparent parts show the app
// beneath, not the banner it was before.
class BannerPictureView : public platform::ui::ImageView {
  public:
    BannerPictureView(platform::ui::ImagePtr picture, platform::Rect frame,
                      std::weak_ptr<GADAdView> adView)
        : ImageView(frame), adView_(std::move(adView)) {
        setImage(std::move(picture));
    }

  protected:
    void draw(platform::ui::Painter& painter) override {
        const auto picture = image();
        const platform::Rect b = bounds();
        const platform::Rect covered = placeOfTheAd().intersection(b);
        if (!picture || !picture->pixels() || covered.isEmpty() || b.isEmpty()) {
            ImageView::draw(painter);
            return;
        }
        // The bands above and below the ad's place, and those beside it.
        const platform::Rect bands[] = {
            {b.minX(), b.minY(), b.width(), covered.minY() - b.minY()},
            {b.minX(), covered.maxY(), b.width(), b.maxY() - covered.maxY()},
            {b.minX(), covered.minY(), covered.minX() - b.minX(), covered.height()},
            {covered.maxX(), covered.minY(), b.maxX() - covered.maxX(), covered.height()}};
        const auto& pixels = picture->pixels();
        const double sx = pixels->width() / b.width(), sy = pixels->height() / b.height();
        for (const platform::Rect& band : bands) {
            if (band.width() <= 0 || band.height() <= 0) continue;
            painter.drawImagePart(pixels,
                                  {(band.minX() - b.minX()) * sx, (band.minY() - b.minY()) * sy,
                                   band.width() * sx, band.height() * sy},
                                  band);
        }
    }

  private:
    // Where the ad view shows in this view's coordinates; empty while it does not show.
    platform::Rect placeOfTheAd() const {
        auto adView = adView_.lock();
        if (!adView || !window() || adView->window() != window()) return {};
        for (std::shared_ptr<platform::ui::View> v = adView; v; v = v->superview()) {
            if (v->isHidden() || v->alpha() <= 0) return {};
        }
        return convertRectFromView(adView->bounds(), adView.get());
    }

    std::weak_ptr<GADAdView> adView_;
};

}  // namespace

std::shared_ptr<GADExpandedAdAppViewController> GADExpandedAdAppViewController::create(
    std::shared_ptr<GADAdView> adView) {
    if (!adView) return nullptr;
    auto controller =
        std::make_shared<GADExpandedAdAppViewController>(Private{}, std::move(adView));
    controller->setUp();
    return controller;
}

GADExpandedAdAppViewController::~GADExpandedAdAppViewController() {
    // A screen that took its ad from a banner and goes without having left finishes as a
    // dismissal would.
    if (renderedBanner_) {
        runReturnCompletion();
        renderedBanner_->removeFromSuperview();
    }
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
            renderedBanner_ = std::make_shared<BannerPictureView>(picture, adView->frame(), adView);
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
    if (auto s = slot()) GADMRAIDStateReport::layoutWillChange(s->MRAIDEventHandler());
    // Nothing may hold the screen once it has left (a dismissal that ends at once).
    auto keep = self();
    auto adView = this->adView();
    const bool returns = adView && adView->viewController().get() == this;
    if (returns) adView->restoreState();
    // A modal screen puts the app's own screen back as it starts to leave; its animation
    // over the app is no reason for the banner to wait.
    GADAdAppViewController::relinquishScreenWithCompletion(std::move(completion));
    if (returns) runReturnCompletion();
}

void GADExpandedAdAppViewController::finishDismissal() {
    GADAdAppViewController::finishDismissal();
    runReturnCompletion();
}

void GADExpandedAdAppViewController::runReturnCompletion() {
    if (auto completion = std::move(returnCompletion_)) {
        returnCompletion_ = nullptr;
        completion();
    }
}

}  // namespace ads
