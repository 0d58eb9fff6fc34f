#include "ads/iap/GADDefaultInAppPurchaseFlow.h"

#include <gtest/gtest.h>

#include <thread>

#include "IapTestSupport.h"
#include "ads/foundation/GADLog.h"
#include "ads/testsupport/AdsTestScope.h"
#include "platform/base/LogSink.h"
#include "platform/services/PaymentQueue.h"
#include "platform/services/ProductsRequest.h"
#include "platform/testing/PlatformStateScope.h"
#include "platform/ui/AlertView.h"

namespace ads {
namespace {

using platform::services::PaymentQueue;
using platform::ui::AlertView;
using testing::kSheetBuy;
using testing::kSheetCancel;
using testing::offeredPurchase;
using testing::tapVisibleAlert;

class GADDefaultInAppPurchaseFlowTest : public ::testing::Test {
  protected:
    GADDefaultInAppPurchaseFlowTest() {
        testing::useSampleCatalogue();
        flow->enableDefaultPurchaseFlowWithDelegate(buyer);
    }

    // Turns the main loop until the store's answers, merged on the cache's queue, have come
    // back and everything they started has run.
    void run() { testing::settle(scope, *cache); }
    std::shared_ptr<PaymentQueue> queue() { return PaymentQueue::defaultQueue(); }
    bool whoopsShown() {
        auto alert = AlertView::visibleAlert();
        return alert && alert->title() == "Whoops!" &&
               alert->message() == "Sorry, the product is currently unavailable." &&
               alert->buttonTitleAtIndex(0) == "OK" && alert->numberOfButtons() == 1;
    }

    platform::testing::PlatformStateScope state;
    testing::AdsTestScope scope;
    platform::LogSink::Capture log;
    std::shared_ptr<GADInAppPurchaseProductCache> cache = GADInAppPurchaseProductCache::create();
    std::shared_ptr<GADDefaultInAppPurchaseFlow> flow = GADDefaultInAppPurchaseFlow::create(cache);
    std::shared_ptr<testing::RecordingBuyer> buyer = std::make_shared<testing::RecordingBuyer>();
};

TEST_F(GADDefaultInAppPurchaseFlowTest,
       APaidPurchaseReachesTheDelegateAndFinishingReportsSuccessOnce) {
    flow->enableDefaultPurchaseFlowWithDelegate(buyer);  // the same delegate: nothing new
    EXPECT_TRUE(flow->isDefaultPurchaseFlowEnabled());
    EXPECT_EQ(queue()->observerCount(), 1u);

    auto purchase = offeredPurchase("coins", 2);
    flow->didReceiveInAppPurchase(purchase);
    run();
    EXPECT_EQ(buyer->asked, std::vector<std::string>{"coins x2"});
    // The store was asked; what it said stays in the cache.
    ASSERT_TRUE(cache->cachedProductForProductID("coins"));
    EXPECT_EQ(flow->activeInAppPurchaseCount(), 1u);
    ASSERT_TRUE(tapVisibleAlert(kSheetBuy));
    run();
    ASSERT_EQ(buyer->paid.size(), 1u);
    auto paid = buyer->paid[0];
    EXPECT_EQ(paid->productID(), "coins");
    EXPECT_EQ(paid->quantity(), 2);
    EXPECT_EQ(paid->inAppPurchase(), purchase);
    EXPECT_EQ(flow->activeInAppPurchaseCount(), 0u);
    // Open until the app has delivered.
    EXPECT_EQ(purchase->purchaseStatus(), 0);
    EXPECT_EQ(queue()->transactions().size(), 1u);

    std::thread a([&] { paid->finishTransaction(); });
    std::thread b([&] { paid->finishTransaction(); });
    a.join();
    b.join();
    paid->finishTransaction();
    run();
    EXPECT_EQ(purchase->purchaseStatus(), 1);
    EXPECT_TRUE(queue()->transactions().empty());
    EXPECT_FALSE(paid->paymentTransaction());
    EXPECT_FALSE(paid->inAppPurchase());

    // A second purchase of a product now cached goes straight to the sheet.
    flow->didReceiveInAppPurchase(offeredPurchase("coins", 1));
    EXPECT_EQ(queue()->transactions().size(), 1u);
}

TEST_F(GADDefaultInAppPurchaseFlowTest,
       RefusedStartsBadQuantitiesAndUnknownProductsNeverReachTheSheet) {
    buyer->answer = false;
    auto refused = offeredPurchase("coins", 1);
    flow->didReceiveInAppPurchase(refused);
    EXPECT_EQ(refused->purchaseStatus(), 0);
    run();
    EXPECT_TRUE(whoopsShown());
    tapVisibleAlert(0);
    buyer->answer = std::nullopt;

    auto noProduct = offeredPurchase("", 1);
    flow->didReceiveInAppPurchase(noProduct);
    EXPECT_EQ(noProduct->purchaseStatus(), 3);

    auto noQuantity = offeredPurchase("coins", 0);
    ASSERT_EQ(noQuantity->quantity(), 0);
    noQuantity->reportPurchaseStatus(2);  // so that the flow's 0 shows
    flow->didReceiveInAppPurchase(noQuantity);
    EXPECT_EQ(noQuantity->purchaseStatus(), 0);
    GADLogFlush();
    EXPECT_TRUE(log.contains("the quantity 0 is not between 1 and 10"));
    run();
    EXPECT_FALSE(AlertView::visibleAlert());
    EXPECT_TRUE(queue()->transactions().empty());

    auto unknown = offeredPurchase("nope", 1);
    flow->didReceiveInAppPurchase(unknown);
    run();
    EXPECT_EQ(unknown->purchaseStatus(), 3);
    EXPECT_TRUE(
        log.contains("\"nope\" is not a valid product ID or could not be validated. Verify your ad "
                     "configuration."));
    EXPECT_TRUE(cache->isInvalidProductID("nope"));
    EXPECT_TRUE(whoopsShown());
    tapVisibleAlert(0);

    // A store that cannot be reached: the error's text, then the same line.
    platform::services::ProductsRequest::setScriptForTesting(
        [](const std::set<std::string>&, platform::services::ProductsRequest::Completion done) {
            done(std::nullopt, platform::Error::make(platform::services::kStoreErrorDomain, 0,
                                                     "The store is offline."));
        });
    auto offline = offeredPurchase("gems", 1);
    flow->didReceiveInAppPurchase(offline);
    run();
    EXPECT_EQ(offline->purchaseStatus(), 3);
    EXPECT_TRUE(log.contains("The store is offline."));
    EXPECT_TRUE(log.contains("\"gems\" is not a valid product ID"));
    EXPECT_TRUE(queue()->transactions().empty());
    EXPECT_TRUE(buyer->paid.empty());
}

TEST_F(GADDefaultInAppPurchaseFlowTest, CancellingReportsCancelAndOtherStoreErrorsReportError) {
    auto cancelled = offeredPurchase("coins", 1);
    flow->didReceiveInAppPurchase(cancelled);
    run();
    ASSERT_TRUE(tapVisibleAlert(kSheetCancel));
    run();
    EXPECT_EQ(cancelled->purchaseStatus(), 2);
    EXPECT_TRUE(queue()->transactions().empty());  // finished at once

    // The cache still believes in a product the store has stopped selling: the store fails
    // the payment with its own code, which is no cancellation.
    platform::services::StoreCatalogue::setSharedForTesting(
        std::make_shared<platform::services::StoreCatalogue>());
    auto gone = offeredPurchase("coins", 1);
    flow->didReceiveInAppPurchase(gone);
    run();
    EXPECT_FALSE(AlertView::visibleAlert());
    EXPECT_EQ(gone->purchaseStatus(), 0);
    EXPECT_TRUE(queue()->transactions().empty());
    EXPECT_TRUE(buyer->paid.empty());
}

TEST_F(GADDefaultInAppPurchaseFlowTest,
       TransactionsMatchWaitingPurchasesInOrderAndStrangersReportNowhere) {
    auto first = offeredPurchase("coins", 1, {"https://r.invalid/first"});
    auto second = offeredPurchase("coins", 1, {"https://r.invalid/second"});
    auto other = offeredPurchase("coins", 3);
    flow->didReceiveInAppPurchase(first);
    flow->didReceiveInAppPurchase(second);
    flow->didReceiveInAppPurchase(other);
    run();
    EXPECT_EQ(flow->activeInAppPurchaseCount(), 3u);
    // The sheets queue; buy them in turn, the quantity-3 one last.
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(tapVisibleAlert(kSheetBuy)) << i;
        run();
    }
    ASSERT_EQ(buyer->paid.size(), 3u);
    EXPECT_EQ(buyer->paid[0]->inAppPurchase(), first);
    EXPECT_EQ(buyer->paid[1]->inAppPurchase(), second);
    EXPECT_EQ(buyer->paid[2]->inAppPurchase(), other);

    // A payment no ad started still reaches the delegate, with a purchase reporting nowhere.
    queue()->addPayment({"gems", 2});
    run();
    ASSERT_TRUE(tapVisibleAlert(kSheetBuy));
    run();
    ASSERT_EQ(buyer->paid.size(), 4u);
    auto stranger = buyer->paid[3]->inAppPurchase();
    ASSERT_TRUE(stranger);
    EXPECT_NE(stranger, first);
    EXPECT_EQ(stranger->productID(), "gems");
    EXPECT_EQ(stranger->quantity(), 2);
    EXPECT_TRUE(stranger->reportingURLStringFormats().empty());
    EXPECT_FALSE(stranger->adViewController());
}

TEST_F(GADDefaultInAppPurchaseFlowTest, DisablingDropsTheDelegateAndStopsObserving) {
    std::weak_ptr<testing::RecordingBuyer> weakBuyer = buyer;
    flow->enableDefaultPurchaseFlowWithDelegate(nullptr);  // refused
    EXPECT_TRUE(flow->isDefaultPurchaseFlowEnabled());
    buyer.reset();
    EXPECT_FALSE(weakBuyer.expired());  // the flow holds it while on
    flow->disableDefaultPurchaseFlow();
    EXPECT_TRUE(weakBuyer.expired());
    EXPECT_FALSE(flow->isDefaultPurchaseFlowEnabled());
    EXPECT_EQ(queue()->observerCount(), 0u);
    flow->disableDefaultPurchaseFlow();  // nothing to do

    // Another delegate switches it on again, observing once.
    auto next = std::make_shared<testing::RecordingBuyer>();
    flow->enableDefaultPurchaseFlowWithDelegate(next);
    auto other = std::make_shared<testing::RecordingBuyer>();
    flow->enableDefaultPurchaseFlowWithDelegate(other);
    EXPECT_EQ(queue()->observerCount(), 1u);
    queue()->addPayment({"coins", 1});
    run();
    tapVisibleAlert(kSheetBuy);
    run();
    EXPECT_TRUE(next->paid.empty());
    EXPECT_EQ(other->paid.size(), 1u);
}

}  // namespace
}  // namespace ads
