#include "ads/fullscreen/GADInAppPurchase.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADRequest.h"
#include "ads/foundation/GADSession.h"
#include "ads/fullscreen/GADViewController.h"
#include "ads/testsupport/AdsTestScope.h"
#include "platform/runtime/MainLoop.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/TestHttpServer.h"

namespace ads {
namespace {

// An ad's screen that records how it was asked to close.
class ClosingController : public GADViewController {
  public:
    ClosingController() : GADViewController(Private{}) {}
    void relinquishScreenWithCompletion(std::function<void()>) override {
        closedOnMain.push_back(platform::isMainThread());
    }
    std::vector<bool> closedOnMain;
};

std::shared_ptr<GADInAppPurchase> purchaseOf(std::string productID, std::int64_t quantity,
                                             std::vector<std::string> formats = {},
                                             std::weak_ptr<GADViewController> controller = {}) {
    auto purchase = GADInAppPurchase::create(std::move(controller));
    purchase->setProductID(std::move(productID));
    purchase->setQuantity(quantity);
    purchase->setReportingURLStringFormats(std::move(formats));
    return purchase;
}

TEST(GADInAppPurchaseTest, StatusTextsQuantitiesAndDescription) {
    EXPECT_EQ(GADInAppPurchase::stringForStatus(0), "error");
    EXPECT_EQ(GADInAppPurchase::stringForStatus(1), "success");
    EXPECT_EQ(GADInAppPurchase::stringForStatus(2), "cancel");
    EXPECT_EQ(GADInAppPurchase::stringForStatus(3), "invalid product");
    EXPECT_EQ(GADInAppPurchase::stringForStatus(7), "error");
    EXPECT_EQ(GADInAppPurchase::stringForStatus(-1), "error");

    auto purchase = GADInAppPurchase::create();
    EXPECT_EQ(purchase->quantity(), 1);
    EXPECT_EQ(purchase->purchaseStatus(), 0);
    for (std::int64_t refused : {0, 11, -3}) {
        purchase->setQuantity(5);
        purchase->setQuantity(refused);
        EXPECT_EQ(purchase->quantity(), 0) << refused;
    }
    purchase->setQuantity(10);
    EXPECT_EQ(purchase->quantity(), 10);
    purchase->setProductID("coins");
    const std::string text = purchase->description();
    EXPECT_TRUE(text.starts_with("<GADInAppPurchase: 0x")) << text;
    EXPECT_TRUE(text.ends_with(">(\n  productID: coins,\n  quantity: 10)")) << text;
}

TEST(GADInAppPurchaseTest, TemplatesGetTheFactsEscapedAndLoseWhatNothingFills) {
    testing::AdsTestScope scope;
    auto purchase = purchaseOf("a&b#c @x", 3);
    purchase->reportPurchaseStatus(2);
    auto expand = [&](const std::string& format) {
        return purchase->expandedURLStringForURLStringFormat(format).value_or("<none>");
    };
    EXPECT_EQ(expand("https://r.test/p?x=1"), "https://r.test/p?x=1");
    EXPECT_EQ(expand("https://r.test/p?a=@nope@&b=1"), "https://r.test/p?a=&b=1");
    EXPECT_EQ(expand("https://r.test/p?mail=me@@home"), "https://r.test/p?mail=me@home");
    // A product id cannot add a parameter, cut the URL at a fragment, or read as a keyword.
    EXPECT_EQ(expand("https://r.test/p?sku=@sku@&q=@quantity@&s=@status@"),
              "https://r.test/p?sku=a%26b%23c%20%40x&q=3&s=2");

    auto application = GADApplication::sharedInstance();
    EXPECT_EQ(expand("@sessionid@|@appid@|@appversion@|@sdkversion@"),
              application->currentSession()->uniqueID() + "|" +
                  application->mainBundleIdentifier() + "|" + application->version() + "|" +
                  GADRequest::sdkVersion());
    const std::string timestamp = expand("@timestamp@");
    EXPECT_FALSE(timestamp.empty());
    EXPECT_EQ(timestamp.find_first_not_of("0123456789"), std::string::npos) << timestamp;
}

TEST(GADInAppPurchaseTest, ASuccessReportedOnAPoolThreadClosesTheScreenOnMainAndPingsEachTemplate) {
    testing::AdsTestScope scope;
    platform::testing::TestHttpServer server;
    server.text("/report", "ok");
    auto controller = std::make_shared<ClosingController>();
    auto purchase =
        purchaseOf("coins", 2,
                   {server.url("/report?status=@status@&sku=@sku@"), "", server.url("/report?n=2")},
                   controller);

    std::thread pool([&] { purchase->reportPurchaseStatus(1); });
    pool.join();
    EXPECT_EQ(purchase->purchaseStatus(), 1);
    EXPECT_TRUE(controller->closedOnMain.empty());
    ASSERT_TRUE(
        platform::testing::runMainLoopUntil([&] { return server.requestCount("/report") >= 2; }));
    EXPECT_EQ(controller->closedOnMain, std::vector<bool>{true});
    auto requests = server.requestsFor("/report");
    ASSERT_EQ(requests.size(), 2u);
    std::set<std::string> targets{requests[0].target, requests[1].target};
    EXPECT_TRUE(targets.count("/report?status=1&sku=coins"));
    EXPECT_TRUE(targets.count("/report?n=2"));

    // Other outcomes leave the screen to the user.
    purchase->reportPurchaseStatus(2);
    ASSERT_TRUE(
        platform::testing::runMainLoopUntil([&] { return server.requestCount("/report") >= 4; }));
    EXPECT_EQ(controller->closedOnMain.size(), 1u);
    EXPECT_EQ(purchase->purchaseStatus(), 2);
}

}  // namespace
}  // namespace ads
