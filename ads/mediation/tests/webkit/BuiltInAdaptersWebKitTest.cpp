// The SDK's built-in adapters on real WebKit against our loopback ad server, as an app sees
// them: a banner whose mediation entry goes the ad URL road (the core page's adapter-less call
// for the entry's unit, the ad fetched by the page and rendered by the adapter's own banner),
// the SDK's own network adapter rendering its entry's ad as it stands, and an interstitial
// served through that adapter, presented and closed.
// Leaves <build>/screenshots/mediated_ad_url_banner.png for a person to look at. Needs a
// display: scripts/test runs these under xvfb-run.

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ads/mediation/GADMAdURLAdapter.h"
#include "ads/mediation/GADMAdapterZivivuDuRezAds.h"
#include "ads/mediation/tests/webkit/MediatedPublicAdsWebKitTest.h"
#include "platform/testing/ScreenshotCamera.h"
#include "platform/ui/TouchInput.h"

namespace ads {
namespace {

using Log = std::vector<std::string>;
using platform::testing::ScreenshotCamera;
using tools::adserver::AdScenario;
using tools::adserver::PageAnswer;
using tools::adserver::RequestKind;
using Json = nlohmann::ordered_json;

class BuiltInAdaptersWebKitTest : public testing::MediatedPublicAdsWebKitTest {
  protected:
    void SetUp() override {
        MediatedPublicAdsWebKitTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        // Interstitials present over the key window's root controller.
        window->setRootViewController(controller);
        controller->view()->setBackgroundColor(platform::Color::whiteColor());
        window->makeKeyWindow();
    }
    // The mediation pings of the server's own templates ("&ping=<name>") with that name.
    std::size_t mediationPings(const std::string& name) {
        std::size_t count = 0;
        for (const auto& ping : ads.log().of(RequestKind::MediationPing)) {
            if (ping.param("ping") == name) ++count;
        }
        return count;
    }
};

TEST_F(BuiltInAdaptersWebKitTest, TheAdURLRoadRendersThePagesAdInTheAdaptersBanner) {
    constexpr const char* kUnit = "ca-movu-adurl";
    constexpr const char* kEntryUnit = "ca-movu-adurl-ad";
    auto outer = AdScenario::mediation({GADMAdURLAdapter::kClassName});
    outer.mediationPubId = kEntryUnit;
    ads.server().setScenario(kEntryUnit, AdScenario::banner()
                                             .withAnswer(PageAnswer::FetchedAd)
                                             .withColor("#336699")
                                             .withAdSize("320x50"));
    loadBanner(kUnit, outer);
    ASSERT_TRUE(waitFor([&] { return !heard->log.empty(); }));
    scope.runUntilIdle();
    EXPECT_EQ(heard->log, Log{"received"});
    EXPECT_EQ(banner->adNetworkClassName(), GADMAdURLAdapter::kClassName);
    ASSERT_TRUE(std::dynamic_pointer_cast<GADBannerView>(banner->mediatedAdView()));

    // The page was asked for the entry's ad with the adapter's parameters, which the server
    // kept; the ad was fetched by the page, never by an ad URL of the entry's unit.
    std::optional<Json> sent;
    for (const auto& call : ads.log().of(RequestKind::CoreCall)) {
        if (call.function != "RADE_getAdapterLessMediationAd") continue;
        EXPECT_EQ(call.slotname, kEntryUnit);
        sent = Json::parse(call.body, nullptr, false)["args"][0];
    }
    ASSERT_TRUE(sent && sent->is_object());
    EXPECT_EQ((*sent)["zivivu-ad-url-mediation"], "1");
    EXPECT_EQ((*sent)["data"]["pubid"], kEntryUnit);
    EXPECT_EQ((*sent)["lat"], "1");
    EXPECT_EQ((*sent)["request_param"]["format"], "banner");
    EXPECT_EQ((*sent)["request_param"]["ad_frame"]["w"], 320);
    EXPECT_FALSE((*sent)["request_param"].contains("smart_w"));
    EXPECT_EQ((*sent)["request_id"].get<std::string>().empty(), false);
    bool fetched = false;
    for (const auto& request : ads.log().of(RequestKind::FetchedAdRequest)) {
        fetched = fetched || request.slotname == kEntryUnit;
    }
    EXPECT_TRUE(fetched);
    for (const auto& request : ads.log().of(RequestKind::AdRequest)) {
        EXPECT_EQ(request.slotname, kUnit);
    }
    // The fetched ad counts its own impression, the waterfall its mediation impression.
    ASSERT_TRUE(ads.waitOnMainLoopUntil([&] { return mediationPings("imp") == 1; }));
    ASSERT_TRUE(ads.waitOnMainLoopUntil([&] {
        for (const auto& ping : ads.log().of(RequestKind::Impression)) {
            if (ping.slotname == kEntryUnit) return true;
        }
        return false;
    }));

    std::string cameraError;
    ScreenshotCamera camera{std::string(MOVU_BINARY_DIR) + "/screenshots", &cameraError};
    ASSERT_TRUE(camera.isReady()) << cameraError;
    ASSERT_TRUE(waitFor([&] {
        std::string error;
        const auto shot = camera.shoot(*window, "mediated_ad_url_banner.png", &error);
        const auto seen = ScreenshotCamera::rgb(shot, 160, 440);
        return error.empty() && std::abs(seen[0] - 0x33) <= 3 && std::abs(seen[1] - 0x66) <= 3 &&
               std::abs(seen[2] - 0x99) <= 3;
    }));
}

TEST_F(BuiltInAdaptersWebKitTest, TheOwnNetworkRendersItsEntrysAdWithoutAFetch) {
    constexpr const char* kUnit = "ca-movu-own-entry";
    constexpr const char* kEntryUnit = "ca-movu-own-entry-unused";
    auto outer = AdScenario::mediation().withColor("#2e9a40");
    outer.mediationPubId = kEntryUnit;
    outer.mediationEntryAd = true;
    loadBanner(kUnit, outer);
    ASSERT_TRUE(waitFor([&] { return !heard->log.empty(); }));
    EXPECT_EQ(heard->log, Log{"received"});
    EXPECT_EQ(banner->adNetworkClassName(), kGADOwnAdapterClassName);
    // The entry's ad counts its impression; its unit was never asked for.
    ASSERT_TRUE(ads.waitOnMainLoop(RequestKind::Impression, 1));
    EXPECT_EQ(ads.log().last(RequestKind::Impression)->slotname, kUnit);
    for (const auto& call : ads.log().of(RequestKind::CoreCall)) {
        EXPECT_NE(call.slotname, kEntryUnit);
    }
    EXPECT_EQ(ads.log().count(RequestKind::AdRequest), 1u);
    EXPECT_EQ(ads.log().count(RequestKind::FetchedAdRequest), 0u);
}

TEST_F(BuiltInAdaptersWebKitTest, AnInterstitialOfTheOwnNetworkPresentsAndClosesOnce) {
    constexpr const char* kUnit = "ca-movu-own-ist";
    constexpr const char* kEntryUnit = "ca-movu-own-ist-ad";
    auto outer = AdScenario::mediation();
    outer.mediationPubId = kEntryUnit;
    ads.server().setScenario(kUnit, outer);
    ads.server().setScenario(kEntryUnit, AdScenario::interstitial().withColor("#c04020"));

    interstitial = GADInterstitial::create(kUnit);
    interstitial->setDelegate(heard);
    interstitial->loadRequest(GADRequest::request());
    ASSERT_TRUE(waitFor([&] { return !heard->log.empty(); }));
    ASSERT_EQ(heard->log, Log{"received"});
    EXPECT_EQ(interstitial->adNetworkClassName(), kGADOwnAdapterClassName);
    // The inner interstitial asked the server for the entry's unit.
    bool innerRequest = false;
    for (const auto& request : ads.log().of(RequestKind::AdRequest)) {
        innerRequest = innerRequest || request.slotname == kEntryUnit;
    }
    EXPECT_TRUE(innerRequest);
    // Loaded is not seen: no mediation impression yet.
    scope.runUntilIdle();
    EXPECT_EQ(mediationPings("imp"), 0u);

    interstitial->presentFromRootViewController(controller);
    scope.advance(1);
    ASSERT_TRUE(waitFor([&] { return controller->presentedViewController() != nullptr; }));
    EXPECT_EQ(heard->log, (Log{"received", "willPresent"}));
    ASSERT_TRUE(ads.waitOnMainLoopUntil([&] { return mediationPings("imp") == 1; }));

    // Our close button, top-left.
    platform::ui::TouchInput input{window};
    input.touchDown(1, {16, 16});
    input.touchUp(1, {16, 16});
    scope.advance(1);
    ASSERT_TRUE(waitFor([&] { return heard->log.size() >= 4; }));
    scope.runUntilIdle();
    EXPECT_EQ(heard->log, (Log{"received", "willPresent", "willDismiss", "didDismiss"}));
    EXPECT_EQ(controller->presentedViewController(), nullptr);
    EXPECT_EQ(mediationPings("imp"), 1u);
    EXPECT_EQ(mediationPings("click"), 0u);
}

}  // namespace
}  // namespace ads
