#include "ads/fullscreen/GADOpenerStoreSheets.h"

#include "ads/fullscreen/GADOpener.h"
#include "ads/fullscreen/GADOverlayProxy.h"
#include "ads/fullscreen/GADSKStoreProductViewControllerDelegate.h"
#include "ads/web/GADPageLog.h"
#include "platform/base/NumberText.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/runtime/WeakCall.h"
#include "platform/services/StoreProductSheet.h"

namespace ads {

using platform::services::StoreProductSheet;

std::shared_ptr<GADOpenerStoreSheets> GADOpenerStoreSheets::create(
    std::weak_ptr<GADOpener> opener) {
    return std::make_shared<GADOpenerStoreSheets>(Private{}, std::move(opener));
}

void GADOpenerStoreSheets::openInAppStoreWithProductID(
    const std::string& productID, const std::optional<platform::Url>& fallbackURL,
    bool shouldWaitForFetch) {
    MOVU_CHECK_MAIN_THREAD();
    auto opener = opener_.lock();
    if (!opener || !opener->shouldPerformOpenAction()) return;
    if (productID.empty()) return;
    if (auto cached = cachedStoreProductViewController_.find(productID);
        cached != cachedStoreProductViewController_.end()) {
        auto sheet = std::move(cached->second);
        cachedStoreProductViewController_.erase(cached);
        presentStoreSheet(*opener, sheet, opener->viewController());
        return;
    }
    auto sheet = StoreProductSheet::create();
    sheet->setDelegate(GADSKStoreProductViewControllerDelegate::sharedInstance());
    // The completion keeps the sheet while it loads: nothing else may hold a waiting one.
    sheet->loadProduct(platform::integerValue(productID),
                       [weak = weak_from_this(), sheet, fallbackURL, shouldWaitForFetch](
                           bool loaded, const std::optional<platform::Error>&) {
                           if (auto self = weak.lock()) {
                               self->storeProductDidLoad(sheet, loaded, fallbackURL,
                                                         shouldWaitForFetch);
                           }
                       });
    if (!shouldWaitForFetch) presentStoreSheet(*opener, sheet, opener->viewController());
}

void GADOpenerStoreSheets::presentStoreSheet(
    GADOpener& opener, const std::shared_ptr<StoreProductSheet>& sheet,
    const std::shared_ptr<platform::ui::ViewController>& from) {
    sheet->setDelegate(GADSKStoreProductViewControllerDelegate::sharedInstance());
    auto proxy = GADOverlayProxy::overlayProxyForViewController(sheet);
    if (!proxy) proxy = GADOverlayProxy::create(sheet);
    proxy->setSlot(opener.slot());
    proxy->presentFromViewController(
        from, platform::weakCall(opener_, [](GADOpener& self) { self.didOpenInApp(); }));
}

void GADOpenerStoreSheets::storeProductDidLoad(const std::shared_ptr<StoreProductSheet>& sheet,
                                               bool loaded,
                                               const std::optional<platform::Url>& fallbackURL,
                                               bool waited) {
    auto opener = opener_.lock();
    if (!opener) return;
    if (loaded) {
        // Its opening passed the gate when the page asked; the ad may have left since.
        if (waited && opener->isAdOnScreen())
            presentStoreSheet(*opener, sheet, opener->viewController());
        return;
    }
    auto presenting = sheet->presentingViewController();
    const bool onScreen = presenting && presenting->presentedViewController() == sheet;
    if (onScreen) {
        if (auto delegate = sheet->delegate()) delegate->productViewControllerDidFinish(*sheet);
    } else if (!waited) {
        // The user closed the sheet already.
        return;
    }
    // Still the opening the gate let through.
    if (fallbackURL) opener->openAppPastTheGate(*fallbackURL);
}

void GADOpenerStoreSheets::fetchInAppStoreForProductID(const std::string& productID) {
    MOVU_CHECK_MAIN_THREAD();
    if (productID.empty() || cachedStoreProductViewController_.count(productID)) return;
    if (productID.size() > kMaxProductIDBytes || prefetches_ >= kMaxPrefetches) {
        // Each prefetch is a sheet kept for the page's life under the page's own text.
        if (auto opener = opener_.lock()) {
            GADPageLog::write(opener->adView().get(),
                              "Ad store sheet: this page has prefetched as many products as a "
                              "page may, or named no product; nothing is fetched.");
        }
        return;
    }
    ++prefetches_;
    auto sheet = StoreProductSheet::create();
    sheet->loadProduct(platform::integerValue(productID),
                       [weak = weak_from_this(), sheet, productID](
                           bool loaded, const std::optional<platform::Error>&) {
                           auto self = weak.lock();
                           if (self && loaded)
                               self->cachedStoreProductViewController_[productID] = sheet;
                       });
}

}  // namespace ads
