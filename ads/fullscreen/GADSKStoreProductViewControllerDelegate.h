#pragma once

// The delegate of every store sheet the SDK shows: "Done" takes the sheet off the screen
// through its GADOverlayProxy, so its slot hears the dismissal, or, for a sheet without one,
// through the controller that presented it.
//
// One shared instance, made on first use and kept for the process (sheets hold their delegate
// weakly). Main thread only.

#include <memory>

#include "platform/services/StoreProductSheet.h"

namespace ads {

class GADSKStoreProductViewControllerDelegate
    : public platform::services::StoreProductSheetDelegate {
  public:
    static const std::shared_ptr<GADSKStoreProductViewControllerDelegate>& sharedInstance();

    void productViewControllerDidFinish(platform::services::StoreProductSheet& sheet) override;
};

}  // namespace ads
