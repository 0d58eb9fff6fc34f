// A loader's mediation answer that names the SDK's own network: the built-in adapter loads the
// entry's ad with a loader of its own, and the app gets that content ad as it is.

#include <gtest/gtest.h>

#include "ads/foundation/GADExtras.h"
#include "ads/foundation/GADRequest.h"
#include "ads/native/GADAdLoader.h"
#include "ads/native/GADMediatedNativeAd.h"
#include "ads/native/GADNativeContentAd.h"
#include "ads/native/tests/SupportPageHarness.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "platform/testing/RunMainLoopUntil.h"

namespace ads {
namespace {

using platform::Value;

class ContentApp : public GADNativeContentAdLoaderDelegate {
  public:
    void adLoaderDidFailToReceiveAdWithError(GADAdLoader&, const GADRequestError& error) override {
        failures.push_back(error);
    }
    void adLoaderDidReceiveNativeContentAd(GADAdLoader&,
                                           const std::shared_ptr<GADNativeContentAd>& ad) override {
        received.push_back(ad);
    }
    std::vector<GADRequestError> failures;
    std::vector<std::shared_ptr<GADNativeContentAd>> received;
};

class GADOwnNetworkMediationTest : public ::testing::Test {
  protected:
    GADOwnNetworkMediationTest() {
        previous_ = GADNativeAdClasses::shared().setClass(GADNativeAdFormat::Content,
                                                          GADNativeContentAd::loadingClass());
    }
    ~GADOwnNetworkMediationTest() override {
        GADNativeAdClasses::shared().setClass(GADNativeAdFormat::Content, previous_);
    }

    testing::SupportPageHarness h;
    testing::SDKCoreTestScope core;
    std::shared_ptr<ContentApp> app = std::make_shared<ContentApp>();

  private:
    GADAdLoadingClass previous_;
};

TEST_F(GADOwnNetworkMediationTest, TheOwnNetworksContentAdReachesTheAppAsItIs) {
    const std::string json = testing::nativeAnswer(
        Value(1), {{"headline", Value("Own headline")}, {"body", Value("Own body")}});
    const Value entry = Value::dictionary(
        {{"id", Value("1")},
         {"adapters", Value::array({Value("GADMAdapterZivivuDuRezAds")})},
         {"data", Value::dictionary({{"pubid", Value("inner-unit")}})},
         {"ad", Value::dictionary(
                    {{"ad_html", Value(json)}, {"ad_base_url", Value("https://ads.test/")}})}});
    const Value configuration =
        Value::dictionary({{"ad_type", Value("banner")}, {"ad_networks", Value::array({entry})}});
    // The answer rides in the request's extras, used once, so the adapter's own request (which
    // copies the publisher's extras) does not carry it on.
    auto request = GADRequest::request();
    request->registerAdNetworkExtras(GADExtras::create(Value::Dictionary{
        {"_useOnce", Value("Y")},
        {"_ad", Value::dictionary({{"ad_json", configuration}})},
        {"_adHeaders", Value::dictionary({{"x-rade-mediation", Value("1")},
                                          {"content-type", Value("application/json")}})}}));

    auto loader = GADAdLoader::create("outer-unit", {}, {"1"}, {});
    loader->setDelegate(app);
    loader->loadRequest(request);
    // The inner loader's answer goes through the support page like any direct one.
    auto* support = h.waitForSupportPage();
    ASSERT_TRUE(support);
    h.finishLoading(*support);
    h.answer(*support, json);
    ASSERT_TRUE(platform::testing::runMainLoopUntil(
        [&] { return !app->received.empty() || !app->failures.empty(); }));

    ASSERT_TRUE(app->failures.empty()) << app->failures[0].localizedDescription();
    ASSERT_EQ(app->received.size(), 1u);
    const auto& ad = app->received[0];
    EXPECT_EQ(ad->headline(), "Own headline");
    EXPECT_EQ(ad->adNetworkClassName(), "GADMAdapterZivivuDuRezAds");
    EXPECT_EQ(ad->adUnitID(), "outer-unit");
    ASSERT_TRUE(ad->mediatedNativeAd());
    EXPECT_FALSE(ad->mediatedNativeAd()->ad());
    // Still the SDK's ad: its support page's slot runs its clicks.
    EXPECT_TRUE(ad->slot());
}

}  // namespace
}  // namespace ads
