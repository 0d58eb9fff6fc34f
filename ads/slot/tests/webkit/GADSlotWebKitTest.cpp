// A slot asks our loopback ad server's core page, on real WebKit, for its ad URL. Needs a
// display: scripts/test runs these under xvfb-run.

#include <gtest/gtest.h>

#include <cstdlib>

#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADRequest.h"
#include "ads/slot/GADSlot.h"
#include "ads/slot/tests/GADSlotTestPeer.h"
#include "ads/testsupport/AdServerFixture.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/web/GADSDKCoreController.h"
#include "platform/testing/RequireDisplay.h"
#include "platform/testing/TempDir.h"

namespace ads {
namespace {

using tools::adserver::AdScenario;
using tools::adserver::RequestKind;

class Banner : public GADSlotDelegate, public GADSlotAdLoadDelegate {
  public:
    GADRequestedAdType slotOwnerAdType() const override { return GADRequestedAdType::Banner; }
    std::optional<std::vector<GADBoxedValue>> validAdSizes() const override {
        return std::vector<GADBoxedValue>{NSValueFromGADAdSize(kGADAdSizeBanner)};
    }
    void slotFinishedLoadingAdContent(GADSlot&) override {}
    void slotDidFailToLoadAdContentWithError(GADSlot&, const GADRequestError& error) override {
        codes.push_back(error.code);
    }
    std::vector<std::int64_t> codes;
};

class GADSlotWebKitTest : public ::testing::Test {
  protected:
    void SetUp() override {
        MOVU_SKIP_WITHOUT_DISPLAY();
        ASSERT_TRUE(ads.server().isRunning());
        slot = GADSlot::create(platform::Rect(0, 0, 320, 50));
        slot->setAdType(GADAdType::bannerAdTypeForSize(kGADAdSizeBanner));
        slot->setDelegates({.slot = banner, .adLoad = banner});
    }
    bool settledAfterRequest() {
        return ads.waitOnMainLoopUntil(
            [&] { return slot->state() != GADSlotState::RequestingAdURL; }, 20);
    }

    ads::testing::AdsTestScope scope;
    ads::testing::AdServerFixture ads;
    ads::testing::SDKCoreTestScope core;
    std::shared_ptr<Banner> banner = std::make_shared<Banner>();
    std::shared_ptr<GADSlot> slot;
};

TEST_F(GADSlotWebKitTest, ABannerSlotGetsItsAdURLFromTheCorePage) {
    ads.server().setScenario("ca-movu-banner", AdScenario::banner());
    slot->setAdUnitID("ca-movu-banner");
    slot->loadRequest(GADRequest::request());
    ASSERT_TRUE(settledAfterRequest());
    EXPECT_EQ(slot->state(), GADSlotState::FetchingAd);
    EXPECT_TRUE(banner->codes.empty());
    ASSERT_TRUE(GADSlotTestPeer(slot).loadingAd() && GADSlotTestPeer(slot).loadingAd()->adURL());
    const std::string url = GADSlotTestPeer(slot).loadingAd()->adURL()->absoluteString();
    EXPECT_EQ(url.rfind(ads.origin() + "/mads/gma?", 0), 0u) << url;
    EXPECT_NE(url.find("slotname=ca-movu-banner"), std::string::npos) << url;

    // What the page handed the server is what the slot sent.
    auto calls = ads.log().of(RequestKind::CoreCall);
    ASSERT_FALSE(calls.empty());
    const auto& call = calls.back();
    EXPECT_EQ(call.function, "RADE_getAd");
    EXPECT_EQ(call.slotname, "ca-movu-banner");
    EXPECT_NE(call.body.find(R"("sz":"320x50")"), std::string::npos) << call.body;
    EXPECT_NE(call.body.find(R"("ad_frame":{)"), std::string::npos) << call.body;
}

TEST_F(GADSlotWebKitTest, AnUnreachableServerIsANetworkErrorAndTheNextLoadSucceeds) {
    ads.server().setScenario("ca-movu-banner", AdScenario::banner());
    slot->setAdUnitID("ca-movu-banner");
    {
        platform::testing::ScopedEnv refusing("MOVUROUTE_AD_SERVER", ads.server().refusedOrigin());
        slot->loadRequest(GADRequest::request());
        ASSERT_TRUE(settledAfterRequest());
    }
    EXPECT_EQ(slot->state(), GADSlotState::SDKCoreFailed);
    EXPECT_EQ(banner->codes, (std::vector<std::int64_t>{kGADErrorNetworkError}));

    slot->loadRequest(GADRequest::request());
    ASSERT_TRUE(settledAfterRequest());
    EXPECT_EQ(slot->state(), GADSlotState::FetchingAd);
}

}  // namespace
}  // namespace ads
