// A creative that fetches its video ahead and then plays it from where it was cached, on real
// WebKit and GStreamer against our loopback ad server, with the library's rooms loaded as the
// program loads them (ads::load()): the interstitial's page precaches the test clip, hands the
// "cachedSrc" it was told to the video player, and hears it become playable and play. Needs a
// display (scripts/test runs it under xvfb-run) and the clips tools/media_clips makes.

#include <gtest/gtest.h>

#include <algorithm>

#include "ads/Ads.h"
#include "ads/foundation/GADRequest.h"
#include "ads/fullscreen/GADViewController.h"
#include "ads/slot/GADInterstitial.h"
#include "ads/testsupport/AdServerFixture.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/web/GADPrecacheGMSGHandler.h"
#include "ads/web/tests/webkit_video/MediaClips.h"
#include "platform/services/gst/GstMediaPlayerBackend.h"
#include "platform/testing/RequireDisplay.h"
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"

namespace ads {
namespace {

using tools::adserver::AdScenario;
using tools::adserver::RequestKind;

constexpr const char* kUnit = "ca-movu-precached-video";

class GADPrecachedVideoWebKitTest : public ::testing::Test {
  protected:
    void SetUp() override {
        MOVU_SKIP_WITHOUT_DISPLAY();
        if (!platform::services::GstMediaPlayerBackend::available())
            GTEST_SKIP() << "GStreamer is missing";
        std::string clip = ads::testing::mediaClip("clip.webm");
        ASSERT_FALSE(clip.empty());
        ASSERT_TRUE(ads.server().isRunning());
        // What the program does at start-up: the player's backend, then the library's rooms.
        platform::services::GstMediaPlayerBackend::install();
        ads::load();
        ads.server().setMediaClip(std::move(clip));
        ads.server().setScenario(kUnit, AdScenario::precache().playingThePrecachedClip());
        window->setRootViewController(root);
        window->makeKeyWindow();
        // Its video plays only once the ad shows, in the key window of the active application.
        platform::ui::Application::shared().becomeActive();
    }
    void TearDown() override {
        interstitial.reset();
        scope.runUntilIdle();
        platform::services::MediaPlayer::setBackendFactory({});
    }

    bool waitFor(const std::function<bool()>& condition, double seconds = 30) {
        return ads.waitWhileClockMoves(scope, condition, seconds);
    }
    std::shared_ptr<platform::ui::ViewController> top() {
        auto controller = root;
        while (controller->presentedViewController())
            controller = controller->presentedViewController();
        return controller;
    }
    // The player events the page reported, in order.
    std::vector<std::string> videoEvents() {
        std::vector<std::string> events;
        for (const auto& r : ads.server().log().of(RequestKind::CreativeEvent)) {
            if (!r.param("video").empty()) events.push_back(r.param("video"));
        }
        return events;
    }
    std::optional<tools::adserver::LoggedRequest> precacheEnd() {
        for (const auto& r : ads.server().log().of(RequestKind::CreativeEvent)) {
            if (r.param("event") == "precacheComplete" || r.param("event") == "precacheCanceled")
                return r;
        }
        return std::nullopt;
    }

    ads::testing::AdsTestScope scope;
    ads::testing::AdServerFixture ads;
    ads::testing::SDKCoreTestScope core;
    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<platform::ui::ViewController> root = platform::ui::ViewController::create();
    std::shared_ptr<GADInterstitial> interstitial;
};

TEST_F(GADPrecachedVideoWebKitTest, ACreativePlaysTheVideoItPrecachedFromItsCachedSource) {
    interstitial = GADInterstitial::create(kUnit);
    interstitial->loadRequest(GADRequest::request());
    ASSERT_TRUE(waitFor([&] { return interstitial->isReady(); }));
    interstitial->presentFromRootViewController(root);
    ASSERT_TRUE(waitFor([&] { return top() != root; }));

    ASSERT_TRUE(waitFor([&] { return precacheEnd().has_value(); }));
    const auto end = *precacheEnd();
    ASSERT_EQ(end.param("event"), "precacheComplete");
    // The page was told only the file's place in the precache folder.
    const auto cached = platform::Url::parse(end.param("cached"));
    ASSERT_TRUE(cached);
    EXPECT_TRUE(cached->isFileUrl());
    EXPECT_EQ(end.param("cached").find(GADPrecacheGMSGHandler::cacheFolder().string()),
              std::string::npos);

    auto heard = [&](const std::string& event) {
        const auto all = videoEvents();
        return std::find(all.begin(), all.end(), event) != all.end();
    };
    ASSERT_TRUE(waitFor([&] { return heard("play") || heard("error"); }))
        << ::testing::PrintToString(videoEvents());
    EXPECT_TRUE(heard("canplaythrough")) << ::testing::PrintToString(videoEvents());
    EXPECT_TRUE(heard("play")) << ::testing::PrintToString(videoEvents());
    EXPECT_FALSE(heard("error")) << ::testing::PrintToString(videoEvents());
    // Played from the file: the clip was fetched once, by the download.
    EXPECT_EQ(ads.server().log().count(RequestKind::Media), 1u);

    std::dynamic_pointer_cast<GADViewController>(top())->relinquishScreenWithCompletion({});
    ASSERT_TRUE(waitFor([&] { return top() == root; }));
}

}  // namespace
}  // namespace ads
