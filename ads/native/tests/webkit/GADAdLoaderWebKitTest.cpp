// The native ad loader on real WebKit against our loopback ad server: the SDK core page asks
// for a native ad, the support page preprocesses it, a type-"1" loader (the scripted format)
// gets its ad with its pictures, and a click and an impression reach the server. Needs a
// display: scripts/test runs these under xvfb-run.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "ads/foundation/GADRequest.h"
#include "ads/native/GADAdLoader.h"
#include "ads/native/tests/ScriptedNativeFormat.h"
#include "ads/slot/GADSlot.h"
#include "ads/testsupport/AdServerFixture.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "platform/testing/RequireDisplay.h"
#include "platform/ui/Application.h"
#include "platform/ui/ViewController.h"

namespace ads {
namespace {

using testing::ScriptedNativeAd;
using tools::adserver::AdScenario;
using tools::adserver::NativePageMode;
using tools::adserver::RequestKind;

class RecordingDelegate : public testing::ScriptedContentDelegate {
  public:
    void adLoaderDidFailToReceiveAdWithError(GADAdLoader&, const GADRequestError& error) override {
        failures.push_back(error.code);
    }
    void adLoaderDidReceiveScriptedContentAd(GADAdLoader&, ScriptedNativeAd& ad) override {
        received.push_back(std::static_pointer_cast<ScriptedNativeAd>(ad.shared_from_this()));
    }
    std::vector<std::int64_t> failures;
    std::vector<std::shared_ptr<ScriptedNativeAd>> received;
};

class GADAdLoaderWebKitTest : public ::testing::Test {
  protected:
    static constexpr const char* kUnit = "ca-movu-native";

    void SetUp() override {
        MOVU_SKIP_WITHOUT_DISPLAY();
        ASSERT_TRUE(ads.server().isRunning());
        auto& application = platform::ui::Application::shared();
        application.setDesktopOpener([](const std::vector<std::string>&) { return true; });
        openedBefore = application.openedURLs().size();
        ads.server().setScenario(kUnit, AdScenario::native());
        loader = GADAdLoader::create(kUnit, controller, {"1"}, {});
        ASSERT_TRUE(loader);
        loader->setDelegate(delegate);
    }
    void TearDown() override {
        loader.reset();
        delegate->received.clear();
        scope.runUntilIdle();
        platform::ui::Application::shared().setDesktopOpener({});
    }
    bool waitFor(const std::function<bool()>& condition) {
        return ads.waitOnMainLoopUntil(condition, 20);
    }

    ads::testing::AdsTestScope scope;
    ads::testing::AdServerFixture ads;
    ads::testing::SDKCoreTestScope core;
    testing::ScriptedNativeFormats formats;
    std::shared_ptr<platform::ui::ViewController> controller =
        platform::ui::ViewController::create();
    std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();
    std::shared_ptr<GADAdLoader> loader;
    std::size_t openedBefore = 0;
};

TEST_F(GADAdLoaderWebKitTest, ANativeAdArrivesOnceAndItsClickAndImpressionReachTheServer) {
    loader->loadRequest(GADRequest::request());
    ASSERT_TRUE(
        waitFor([&] { return !delegate->received.empty() || !delegate->failures.empty(); }));
    ASSERT_EQ(delegate->received.size(), 1u);
    EXPECT_TRUE(delegate->failures.empty());
    const auto ad = delegate->received[0];

    // The request carried the format the class asked for.
    const auto calls = ads.log().of(RequestKind::CoreCall);
    bool asked = false;
    for (const auto& call : calls) {
        if (call.function != "RADE_getAd") continue;
        const auto body = nlohmann::json::parse(call.body, nullptr, false);
        const auto& parameters = body["args"][0];
        EXPECT_EQ(parameters["native_templates"], "1");
        EXPECT_EQ(parameters["native_version"].dump(), "3");
        asked = true;
    }
    EXPECT_TRUE(asked);

    // Each picture once; the ad and the page once each.
    ASSERT_EQ(ad->images.size(), 1u);
    ASSERT_TRUE(ad->images[0]->image());
    EXPECT_EQ(ads.log().count(RequestKind::NativeImage), 1u);
    EXPECT_EQ(ads.log().count(RequestKind::NativePage), 1u);
    EXPECT_EQ(ads.log().count(RequestKind::AdRequest), 1u);

    // A click goes through the support page: the ad's click ping, the third party's, and the
    // click action opened outside the app.
    ad->performClickOnView(nullptr, "headline", std::nullopt);
    ASSERT_TRUE(ads.waitOnMainLoop(RequestKind::ClickTracking, 2));
    ASSERT_TRUE(waitFor(
        [&] { return platform::ui::Application::shared().openedURLs().size() > openedBefore; }));
    const std::string opened = platform::ui::Application::shared().openedURLs().back();
    EXPECT_EQ(opened.rfind(ads.origin() + "/aclk/ticket/", 0), 0u) << opened;

    // One impression ping however often it is recorded.
    ad->recordImpression();
    ad->recordImpression();
    ASSERT_TRUE(ads.waitOnMainLoop(RequestKind::Impression, 1));
    scope.runUntilIdle();
    EXPECT_EQ(ads.log().count(RequestKind::Impression), 1u);
    EXPECT_EQ(delegate->received.size(), 1u);
}

TEST_F(GADAdLoaderWebKitTest, ASilentSupportPageIsCode13) {
    ads.server().setNativePageMode(NativePageMode::Silent);
    loader->loadRequest(GADRequest::request());
    ASSERT_TRUE(ads.waitOnMainLoop(RequestKind::NativePage, 1));
    // The page's five seconds (or the deadline) on the test's clock.
    ASSERT_TRUE(waitFor([&] {
        scope.advance(1);
        return !delegate->failures.empty();
    }));
    EXPECT_EQ(delegate->failures[0], kGADErrorReceivedInvalidResponse);
    EXPECT_TRUE(delegate->received.empty());
    EXPECT_EQ(ads.log().count(RequestKind::NativeImage), 0u);
}

}  // namespace
}  // namespace ads
