#include "ads/iap/GADInAppPurchaseRoom.h"

#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADLogger.h"
#include "ads/fullscreen/GADInAppPurchase.h"
#include "ads/fullscreen/GADInAppPurchaseDelegate.h"
#include "ads/fullscreen/GADOpener.h"
#include "ads/fullscreen/GADOpenerRoads.h"
#include "ads/fullscreen/GADViewController.h"
#include "ads/iap/GADDefaultInAppPurchaseFlow.h"
#include "ads/iap/GADInAppPurchaseTransactionReporter.h"
#include "ads/slot/GADSlot.h"
#include "ads/web/GADPageLog.h"
#include "platform/runtime/ClassRegistry.h"
#include "platform/runtime/Once.h"

namespace ads {

namespace {

// The opener has passed its gate: the purchase goes to the ad's slot, which finds who carries
// it out.
void openInAppPurchase(GADOpener& opener, const std::string& productID, std::int64_t quantity,
                       const std::vector<std::string>& reportingURLStringFormats) {
    auto purchase = GADInAppPurchase::create(
        std::dynamic_pointer_cast<GADViewController>(opener.viewController()));
    purchase->setProductID(productID);
    purchase->setQuantity(quantity);
    purchase->setReportingURLStringFormats(reportingURLStringFormats);
    if (auto slot = std::dynamic_pointer_cast<GADSlot>(opener.slot())) {
        slot->didReceiveInAppPurchase(purchase);
    } else {
        GADPageLog::write(opener.adView().get(),
                          GADLogger::publicMessageLine(kGADNoInAppPurchaseDelegateMessage));
    }
    opener.didOpenInApp();
}

}  // namespace

void registerInAppPurchaseClasses() {
    static platform::Once once;
    once.call([] {
        auto& registry = platform::ClassRegistry::shared();
        for (const char* name : {"GADInAppPurchase", "GADDefaultInAppPurchase",
                                 "GADDefaultInAppPurchaseFlow", "GADInAppPurchaseProductCache",
                                 "GADProductsRequest", "GADInAppPurchaseTransactionReporter"}) {
            registry.registerName(name, "NSObject");
        }
        GADOpenerRoads::shared().setInAppPurchase(openInAppPurchase);
        GADSlot::setDefaultInAppPurchaseFlowProvider(
            []() -> std::shared_ptr<GADInAppPurchaseDelegate> {
                auto flow = GADDefaultInAppPurchaseFlow::sharedInstance();
                return flow->isDefaultPurchaseFlowEnabled() ? flow : nullptr;
            });
        GADApplication::sharedInstance()->addEarlyActivity(
            GADEarlyActivities::Rank::InAppPurchaseReporter, [] {
                auto reporter = GADInAppPurchaseTransactionReporter::sharedInstance();
                if (reporter->shouldBeEnabled()) reporter->enableReporting();
            });
    });
}

}  // namespace ads
