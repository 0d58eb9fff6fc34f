#include "ads/fullscreen/GADSKStoreProductViewControllerDelegate.h"

#include "ads/fullscreen/GADOverlayProxy.h"

namespace ads {

const std::shared_ptr<GADSKStoreProductViewControllerDelegate>&
GADSKStoreProductViewControllerDelegate::sharedInstance() {
    // Never destroyed: a sheet may still ask for it while the process exits.
    static auto* shared = new std::shared_ptr<GADSKStoreProductViewControllerDelegate>(
        std::make_shared<GADSKStoreProductViewControllerDelegate>());
    return *shared;
}

void GADSKStoreProductViewControllerDelegate::productViewControllerDidFinish(
    platform::services::StoreProductSheet& sheet) {
    GADOverlayProxy::relinquishOrDismiss(sheet.shared_from_this(), {});
}

}  // namespace ads
