#pragma once

// What the in-app purchase room's tests share: a catalogue of products, a delegate of the
// default flow that records what it hears, and purchases as an ad makes them.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ads/foundation/GADLog.h"
#include "ads/fullscreen/GADInAppPurchase.h"
#include "ads/iap/GADDefaultInAppPurchase.h"
#include "ads/iap/GADDefaultInAppPurchaseDelegate.h"
#include "ads/iap/GADInAppPurchaseProductCache.h"
#include "ads/testsupport/AdsTestScope.h"
#include "platform/services/StoreCatalogue.h"
#include "platform/ui/AlertView.h"

namespace ads::testing {

inline void useSampleCatalogue() {
    auto price = [](const char* text) { return *platform::Decimal::parse(text); };
    platform::services::StoreCatalogue::setSharedForTesting(
        std::make_shared<platform::services::StoreCatalogue>(
            std::vector<platform::services::CatalogueProduct>{
                {"coins", "Coins", "A bag of coins", price("0.99"), "USD"},
                {"gems", "Gems", "", price("0.29"), "EUR"},
                {"vault", "Vault", "", price("1000000"), "USD"},
                {"odd", "Odd", "", price("1.2345678"), "USD"},
                {"a&b#c", "Tricky", "", price("1"), "USD"}}));
}

class RecordingBuyer : public GADDefaultInAppPurchaseDelegate {
  public:
    void userDidPayForPurchase(const std::shared_ptr<GADDefaultInAppPurchase>& purchase) override {
        paid.push_back(purchase);
        if (finish) purchase->finishTransaction();
    }
    std::optional<bool> shouldStartPurchaseForProductID(const std::string& productID,
                                                        std::int64_t quantity) override {
        asked.push_back(productID + " x" + std::to_string(quantity));
        return answer;
    }

    std::optional<bool> answer;
    bool finish = false;
    std::vector<std::string> asked;
    std::vector<std::shared_ptr<GADDefaultInAppPurchase>> paid;
};

inline std::shared_ptr<GADInAppPurchase> offeredPurchase(std::string productID,
                                                         std::int64_t quantity,
                                                         std::vector<std::string> formats = {}) {
    auto purchase = GADInAppPurchase::create();
    purchase->setProductID(std::move(productID));
    purchase->setQuantity(quantity);
    purchase->setReportingURLStringFormats(std::move(formats));
    return purchase;
}

// Taps the button of the alert on screen; false when none is up.
inline bool tapVisibleAlert(int index) {
    auto alert = platform::ui::AlertView::visibleAlert();
    if (!alert) return false;
    alert->tapButton(index);
    return true;
}

// Runs the main loop until it is idle with nothing left on the cache's queue: a store answer
// goes from the main loop to the cache's queue and back, so one pass may start another.
inline void settle(AdsTestScope& scope, GADInAppPurchaseProductCache& cache) {
    for (int pass = 0; pass < 20; ++pass) {
        scope.runUntilIdle();
        // A read on the cache's queue waits for every merge queued before it.
        (void)cache.isInvalidProductID({});
        if (scope.runUntilIdle() == 0) break;
    }
    // The SDK's log lines are written on a queue of their own.
    GADLogFlush();
}

inline constexpr int kSheetCancel = 0;
inline constexpr int kSheetBuy = 1;

}  // namespace ads::testing
