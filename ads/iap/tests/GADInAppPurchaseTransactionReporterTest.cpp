#include "ads/iap/GADInAppPurchaseTransactionReporter.h"

#include <gtest/gtest.h>

#include <clocale>
#include <locale>

#include "IapTestSupport.h"
#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADDevice.h"
#include "ads/foundation/GADPinger.h"
#include "ads/foundation/GADRequest.h"
#include "ads/foundation/GADSettingsKeys.h"
#include "ads/foundation/GADStringAdditions.h"
#include "ads/iap/GADConversionText.h"
#include "ads/iap/GADDefaultInAppPurchaseFlow.h"
#include "ads/iap/GADInAppPurchaseProductCache.h"
#include "ads/testsupport/AdsTestScope.h"
#include "platform/device/AdvertisingIdentifier.h"
#include "platform/runtime/ClassRegistry.h"
#include "platform/runtime/ManualClock.h"
#include "platform/services/PaymentQueue.h"
#include "platform/services/ProductsRequest.h"
#include "platform/storage/UserDefaults.h"
#include "platform/testing/PlatformStateScope.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/TempDir.h"
#include "platform/testing/TestHttpServer.h"

namespace ads {
namespace {

using platform::services::PaymentQueue;
using platform::testing::runMainLoopUntil;
using testing::kSheetBuy;
using testing::kSheetCancel;
using testing::tapVisibleAlert;

constexpr const char* kConversionPath = "/adpage/conversion/";
const platform::Uuid kRdid = *platform::Uuid::parse("6F9619FF-8B86-D011-B42D-00C04FC964FF");

TEST(GADConversionTextTest, PricesAndTimestampsAreExactAndTheSameInEveryLocale) {
    auto price = [](const char* text) {
        return GADConversionPriceString(*platform::Decimal::parse(text));
    };
    // A comma-decimal locale for the C++ library, and for C where the machine has one.
    struct Comma : std::numpunct<char> {
        char do_decimal_point() const override { return ','; }
        char do_thousands_sep() const override { return '.'; }
        std::string do_grouping() const override { return "\3"; }
    };
    const std::locale previous =
        std::locale::global(std::locale(std::locale::classic(), new Comma));
    const std::string previousC = std::setlocale(LC_ALL, nullptr);
    std::setlocale(LC_ALL, "de_DE.UTF-8");

    EXPECT_EQ(price("0.29"), "0.29");
    EXPECT_EQ(price("0.99"), "0.99");
    EXPECT_EQ(price("1"), "1");
    EXPECT_EQ(price("1.000"), "1");
    EXPECT_EQ(price("1000000"), "1000000");
    EXPECT_EQ(price("1.2345678"), "1.234567");
    EXPECT_EQ(price("0.0000009"), "0");
    EXPECT_EQ(price("-1.2345671"), "-1.234568");
    EXPECT_EQ(GADConversionTimestampString(1700000100.5), "1700000100.500000");
    EXPECT_EQ(GADConversionTimestampString(0), "0.000000");
    EXPECT_EQ(GADConversionTimestampString(std::numeric_limits<double>::quiet_NaN()), "0.000000");

    std::setlocale(LC_ALL, previousC.c_str());
    std::locale::global(previous);
}

class GADInAppPurchaseTransactionReporterTest : public ::testing::Test {
  protected:
    GADInAppPurchaseTransactionReporterTest() {
        testing::useSampleCatalogue();
        server.text(kConversionPath, "ok");
        scope.clock().setWallSeconds(1700000100.5);
        platform::AdvertisingIdentifier::setOverrideForTesting(
            platform::AdvertisingIdentifier::Override{kRdid, false});
        start();
    }

    // A program starting on the home: its own defaults, pinger, product cache and store queue.
    void start() {
        reporter.reset();
        pinger.reset();
        defaults = scope.home().openDefaults();
        pinger = GADPinger::create(defaults.get());
        cache = GADInAppPurchaseProductCache::create();
        PaymentQueue::resetDefaultQueueForTesting();
        reporter = GADInAppPurchaseTransactionReporter::create({pinger, cache, defaults.get()});
    }

    void buy(const std::string& productID, std::int64_t quantity = 1) {
        queue()->addPayment({productID, quantity});
        testing::settle(scope, *cache);
        ASSERT_TRUE(tapVisibleAlert(kSheetBuy));
        testing::settle(scope, *cache);
    }

    std::shared_ptr<PaymentQueue> queue() { return PaymentQueue::defaultQueue(); }
    bool waitForConversions(std::size_t count) {
        return runMainLoopUntil([&] { return server.requestCount(kConversionPath) >= count; });
    }
    std::vector<platform::testing::RecordedRequest> conversions() const {
        return server.requestsFor(kConversionPath);
    }
    platform::Value::Dictionary retries() const {
        return pinger->retryStore().group(GADInAppPurchaseTransactionReporter::kRetryGroupKey);
    }

    platform::testing::PlatformStateScope state;
    testing::AdsTestScope scope;
    platform::testing::TestHttpServer server;
    platform::testing::ScopedEnv adServer{"MOVUROUTE_AD_SERVER", server.url("")};
    std::unique_ptr<platform::UserDefaults> defaults;
    std::shared_ptr<GADPinger> pinger;
    std::shared_ptr<GADInAppPurchaseProductCache> cache;
    std::shared_ptr<GADInAppPurchaseTransactionReporter> reporter;
};

TEST_F(GADInAppPurchaseTransactionReporterTest, APurchaseIsReportedOnceAsTheGoldenURL) {
    reporter->enableReporting();
    reporter->enableReporting();
    EXPECT_EQ(queue()->observerCount(), 1u);
    // Failed payments are no conversions.
    queue()->addPayment({"coins", 1});
    scope.runUntilIdle();
    ASSERT_TRUE(tapVisibleAlert(kSheetCancel));
    scope.runUntilIdle();
    buy("gems", 3);
    ASSERT_TRUE(waitForConversions(1));
    const auto transaction = queue()->transactions().back();

    auto application = GADApplication::sharedInstance();
    auto device = GADDevice::sharedInstance();
    auto escape = [](const std::string& text) { return gad_stringByEscapingAsURLParameter(text); };
    const std::string golden =
        std::string(kConversionPath) + "?appversion=" + escape(application->version()) +
        "&bundleid=" + escape(application->mainBundleIdentifier()) +
        "&currency_code=EUR&iap_source=auto&lat=1&osversion=" + escape(device->systemVersion()) +
        "&price=0.29&quantity=3&rdid=&sdkversion=" + escape(GADRequest::sdkVersion()) +
        "&sku=gems&timestamp=1700000100.500000&transaction_id=" +
        escape(transaction->transactionIdentifier());
    auto sent = conversions();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].target, golden);
    // Delivered, so nothing waits for a retry.
    ASSERT_TRUE(runMainLoopUntil([&] { return retries().empty(); }));
}

TEST_F(GADInAppPurchaseTransactionReporterTest, AllowedTrackingSendsTheIdentifierAndEscapedValues) {
    platform::AdvertisingIdentifier::setOverrideForTesting(
        platform::AdvertisingIdentifier::Override{kRdid, true});
    reporter->enableReporting();
    buy("a&b#c");
    buy("vault");
    buy("odd");
    ASSERT_TRUE(waitForConversions(3));
    std::map<std::string, platform::testing::RecordedRequest> bySku;
    for (const auto& request : conversions()) bySku[request.param("sku")] = request;
    ASSERT_EQ(bySku.size(), 3u);
    // "&" and "#" in a product id add no parameter and cut nothing off.
    const auto& tricky = bySku.at("a&b#c");
    EXPECT_NE(tricky.target.find("&sku=a%26b%23c&"), std::string::npos) << tricky.target;
    EXPECT_EQ(tricky.param("rdid"), kRdid.toString());
    EXPECT_EQ(tricky.param("lat"), "0");
    EXPECT_EQ(tricky.param("price"), "1");
    EXPECT_EQ(bySku.at("vault").param("price"), "1000000");
    EXPECT_EQ(bySku.at("odd").param("price"), "1.234567");
    EXPECT_EQ(bySku.at("odd").param("currency_code"), "USD");
}

TEST_F(GADInAppPurchaseTransactionReporterTest,
       UnknownProductsAreAskedOnceAndAFailureLeavesThePriceOut) {
    buy("coins");
    buy("gems");
    std::vector<std::set<std::string>> asked;
    platform::services::ProductsRequest::setScriptForTesting(
        [&](const std::set<std::string>& ids,
            platform::services::ProductsRequest::Completion done) {
            asked.push_back(ids);
            done(std::nullopt, platform::Error::make("SKErrorDomain", 0, "offline"));
        });
    // Both arrive in one update, as after a restart.
    reporter->updatedTransactions(*queue(), queue()->transactions());
    ASSERT_TRUE(waitForConversions(2));
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], (std::set<std::string>{"coins", "gems"}));
    for (const auto& request : conversions()) {
        EXPECT_NE(request.target.find("&price=&"), std::string::npos) << request.target;
        EXPECT_NE(request.target.find("currency_code=&"), std::string::npos) << request.target;
    }
}

TEST_F(GADInAppPurchaseTransactionReporterTest, EquivalentClassesAndDisablingTurnReportingOff) {
    EXPECT_TRUE(reporter->shouldBeEnabled());
    auto& registry = platform::ClassRegistry::shared();
    registry.registerName("DORUzuraruzero", "NSObject");
    EXPECT_FALSE(reporter->shouldBeEnabled());
    registry.unregisterClass("DORUzuraruzero");
    // The SDK core stores the list as the server's comma text.
    registry.registerName("OtherMeter", "NSObject");
    defaults->setObject(settings_keys::kIapEquivalentClasses,
                        platform::Value("Nothing,OtherMeter"));
    EXPECT_FALSE(reporter->shouldBeEnabled());
    registry.unregisterClass("OtherMeter");
    EXPECT_TRUE(reporter->shouldBeEnabled());

    reporter->enableReporting();
    reporter->disableReporting();
    EXPECT_TRUE(reporter->wasDisabled());
    EXPECT_FALSE(reporter->isReportingEnabled());
    EXPECT_FALSE(reporter->shouldBeEnabled());
    EXPECT_EQ(queue()->observerCount(), 0u);
}

TEST_F(GADInAppPurchaseTransactionReporterTest, SettingsNameTheTemplateAndTheRetrySuffix) {
    defaults->setObject(settings_keys::kIapReportFormat,
                        platform::Value(server.url("/mine") + "?s=@sku@&p=@price@&x=@nope@"));
    defaults->setObject(settings_keys::kIapRetrySuffix, platform::Value("&again=yes"));
    server.text("/mine", "no", 500);
    reporter->enableReporting();
    buy("coins");
    ASSERT_TRUE(runMainLoopUntil([&] { return server.requestCount("/mine") >= 1; }));
    EXPECT_EQ(server.requestsFor("/mine")[0].target, "/mine?s=coins&p=0.99&x=");
    ASSERT_TRUE(runMainLoopUntil([&] { return pinger->pingsInFlight() == 0; }));
    auto waiting = retries();
    ASSERT_EQ(waiting.size(), 1u);
    EXPECT_EQ(waiting.begin()->first, server.url("/mine") + "?s=coins&p=0.99&x=&again=yes");
}

TEST_F(GADInAppPurchaseTransactionReporterTest, RestartsDeliverWhatIsOpenAndRetryWhatFailed) {
    auto buyer = std::make_shared<testing::RecordingBuyer>();
    auto flow = GADDefaultInAppPurchaseFlow::create(cache);
    flow->enableDefaultPurchaseFlowWithDelegate(buyer);
    reporter->enableReporting();
    server.text(kConversionPath, "busy", 500);
    buy("coins");  // left open
    buy("gems");
    ASSERT_EQ(buyer->paid.size(), 2u);
    buyer->paid[1]->finishTransaction();
    ASSERT_TRUE(waitForConversions(2));
    ASSERT_TRUE(runMainLoopUntil([&] { return pinger->pingsInFlight() == 0; }));
    ASSERT_EQ(retries().size(), 2u);
    for (const auto& [url, record] : retries()) EXPECT_TRUE(url.ends_with("&retry=1")) << url;
    scope.runUntilIdle();
    flow->disableDefaultPurchaseFlow();
    flow.reset();
    defaults->synchronize();

    // The next run: the open purchase reaches the new flow's delegate and is reported again;
    // the finished one is not.
    server.text(kConversionPath, "ok");
    start();
    auto nextBuyer = std::make_shared<testing::RecordingBuyer>();
    auto nextFlow = GADDefaultInAppPurchaseFlow::create(cache);
    nextFlow->enableDefaultPurchaseFlowWithDelegate(nextBuyer);
    reporter->enableReporting();
    testing::settle(scope, *cache);
    ASSERT_EQ(nextBuyer->paid.size(), 1u);
    EXPECT_EQ(nextBuyer->paid[0]->productID(), "coins");
    ASSERT_TRUE(waitForConversions(3));
    EXPECT_EQ(conversions()[2].param("sku"), "coins");

    // Reported again as the very same URL, it took its stored retry along; the other stored
    // retry goes out with its suffix and leaves the store once delivered.
    ASSERT_TRUE(runMainLoopUntil([&] { return pinger->pingsInFlight() == 0; }));
    auto waiting = retries();
    ASSERT_EQ(waiting.size(), 1u);
    EXPECT_NE(waiting.begin()->first.find("sku=gems"), std::string::npos);
    pinger->pingRetryURLs();
    ASSERT_TRUE(runMainLoopUntil([&] { return retries().empty(); }));
    ASSERT_TRUE(waitForConversions(4));
    const auto last = conversions()[3];
    EXPECT_EQ(last.param("retry"), "1");
    EXPECT_EQ(last.param("sku"), "gems");
    nextFlow->disableDefaultPurchaseFlow();
}

}  // namespace
}  // namespace ads
