// A native loader whose ad unit answers with a mediation configuration naming the SDK's own
// network, on real WebKit against our loopback ad server: the built-in adapter loads the
// network entry's ad unit with a loader of its own, and the app gets that content ad.
// Needs a display: scripts/test runs these under xvfb-run.

#include <gtest/gtest.h>

#include "ads/foundation/GADRequest.h"
#include "ads/native/GADAdLoader.h"
#include "ads/native/GADMediatedNativeAd.h"
#include "ads/native/GADNativeAdImage.h"
#include "ads/native/GADNativeContentAd.h"
#include "ads/testsupport/AdServerFixture.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "platform/testing/RequireDisplay.h"
#include "platform/ui/ViewController.h"

namespace ads {
namespace {

using tools::adserver::AdScenario;
using tools::adserver::RequestKind;

class ContentApp : public GADNativeContentAdLoaderDelegate {
  public:
    void adLoaderDidFailToReceiveAdWithError(GADAdLoader&, const GADRequestError& error) override {
        failures.push_back(error.localizedDescription());
    }
    void adLoaderDidReceiveNativeContentAd(GADAdLoader&,
                                           const std::shared_ptr<GADNativeContentAd>& ad) override {
        received.push_back(ad);
    }
    std::vector<std::string> failures;
    std::vector<std::shared_ptr<GADNativeContentAd>> received;
};

class GADMediatedNativeWebKitTest : public ::testing::Test {
  protected:
    void SetUp() override { MOVU_SKIP_WITHOUT_DISPLAY(); }

    ads::testing::AdsTestScope scope;
    ads::testing::AdServerFixture ads;
    ads::testing::SDKCoreTestScope core;
    std::shared_ptr<platform::ui::ViewController> controller =
        platform::ui::ViewController::create();
    std::shared_ptr<ContentApp> app = std::make_shared<ContentApp>();
};

TEST_F(GADMediatedNativeWebKitTest, AMediationAnswerNamingTheOwnNetworkDeliversItsContentAd) {
    ads.server().setScenario("ca-movu-native-mediated",
                             AdScenario::mediation({"GADMAdapterZivivuDuRezAds"})
                                 .withMediationPubId("ca-movu-native-inner"));
    ads.server().setScenario("ca-movu-native-inner", AdScenario::native().withNativeTemplate(1));
    auto loader = GADAdLoader::create("ca-movu-native-mediated", controller, {"1"}, {});
    ASSERT_TRUE(loader);
    loader->setDelegate(app);
    loader->loadRequest(GADRequest::request());
    ASSERT_TRUE(ads.waitOnMainLoopUntil(
        [&] { return !app->received.empty() || !app->failures.empty(); }, 30));

    ASSERT_TRUE(app->failures.empty()) << app->failures[0];
    const auto& ad = app->received[0];
    EXPECT_EQ(ad->advertiser(), "Movuroute");
    ASSERT_TRUE(ad->logo());
    EXPECT_TRUE(ad->logo()->image());
    EXPECT_EQ(ad->adNetworkClassName(), "GADMAdapterZivivuDuRezAds");
    EXPECT_EQ(ad->adUnitID(), "ca-movu-native-mediated");
    ASSERT_TRUE(ad->mediatedNativeAd());
    EXPECT_FALSE(ad->mediatedNativeAd()->ad());
    EXPECT_EQ(ads.log().count(RequestKind::NativePage), 1u);

    // Its impression pings the configuration's and the network's impression templates, once.
    ad->recordImpression();
    ad->recordImpression();
    ASSERT_TRUE(ads.waitOnMainLoop(RequestKind::MediationPing, 2));
    std::size_t networkImpressions = 0;
    for (const auto& ping : ads.log().of(RequestKind::MediationPing))
        networkImpressions += ping.param("ping") == "network-imp";
    EXPECT_EQ(networkImpressions, 1u);
}

}  // namespace
}  // namespace ads
