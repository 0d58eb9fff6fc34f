#include "platform/services/SystemAdBannerView.h"

#include "platform/runtime/MainLoop.h"

namespace platform::services {

std::shared_ptr<SystemAdBannerView> SystemAdBannerView::create(SystemAdType type) {
    auto banner = std::make_shared<SystemAdBannerView>(Private{}, type);
    std::weak_ptr<SystemAdBannerView> weak = banner;
    MainLoop::main().post([weak] {
        if (auto self = weak.lock()) self->reportFailure();
    });
    return banner;
}

SystemAdBannerView::SystemAdBannerView(Private, SystemAdType type)
    : View(type == SystemAdType::MediumRectangle ? Rect{0, 0, 300, 250} : Rect{0, 0, 320, 50}),
      type_(type),
      current_(kSystemAdBannerContentSizeIdentifierPortrait) {
    setHidden(true);
}

void SystemAdBannerView::setCurrentContentSizeIdentifier(std::string id) {
    if (type_ == SystemAdType::Banner) {
        Rect f = frame();
        if (id == kSystemAdBannerContentSizeIdentifierPortrait) f.size = {320, 50};
        if (id == kSystemAdBannerContentSizeIdentifierLandscape) f.size = {480, 32};
        setFrame(f);
    }
    current_ = std::move(id);
}

Error SystemAdBannerView::noProviderError() {
    return Error::make(kSystemAdErrorDomain, kSystemAdErrorInventoryUnavailable,
                       "No ad provider on this system.");
}

void SystemAdBannerView::reportFailure() {
    if (auto d = delegate()) d->bannerViewDidFailToReceiveAdWithError(*this, noProviderError());
}

}  // namespace platform::services
