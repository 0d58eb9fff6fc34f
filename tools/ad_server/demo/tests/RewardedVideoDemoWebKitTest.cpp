// The rewarded video ad from end to end on real WebKit: the SDK core asks our loopback ad server
// for the unit "rewarded", the configuration names the demo's rewarded video adapter, the app
// presents the video and hears it open, start, pay ten coins and close, in that order, while
// the server records the configuration's and the network's impressions and the video's start
// and completion. Leaves <build>/screenshots/reward_playing.png and reward_done.png for a
// person to look at. Needs a display: scripts/test runs these under xvfb-run.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ads/foundation/GADRequest.h"
#include "ads/fullscreen/GADFullScreenRoom.h"
#include "ads/mediation/GADAdReward.h"
#include "ads/mediation/GADMediationRoom.h"
#include "ads/mediation/GADRewardBasedVideoAd.h"
#include "ads/slot/GADSlotRoom.h"
#include "ads/testsupport/AdServerFixture.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "platform/testing/RequireDisplay.h"
#include "platform/testing/ScreenshotCamera.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "tools/ad_server/demo/DemoRewardedVideoAdapter.h"

namespace tools::adserver {
namespace {

using platform::testing::ScreenshotCamera;

class Heard : public ads::GADRewardBasedVideoAdDelegate {
  public:
    void rewardBasedVideoAdDidReceiveAd(ads::GADRewardBasedVideoAd&) override {
        log.push_back("receive");
    }
    void rewardBasedVideoAdDidFailToLoadwithError(ads::GADRewardBasedVideoAd&,
                                                  const platform::Error& error) override {
        log.push_back("fail:" + std::to_string(error.code));
    }
    void rewardBasedVideoAdDidOpen(ads::GADRewardBasedVideoAd&) override { log.push_back("open"); }
    void rewardBasedVideoAdDidStartPlaying(ads::GADRewardBasedVideoAd&) override {
        log.push_back("start");
    }
    void rewardBasedVideoAdDidClose(ads::GADRewardBasedVideoAd&) override {
        log.push_back("close");
    }
    void rewardBasedVideoAdWillLeaveApplication(ads::GADRewardBasedVideoAd&) override {
        log.push_back("leave");
    }
    void rewardBasedVideoAdDidRewardUserWithReward(
        ads::GADRewardBasedVideoAd&, const std::shared_ptr<const ads::GADAdReward>& r) override {
        log.push_back(r ? "reward:" + r->type() + ":" + r->amount().toString() : "reward:none");
    }
    std::vector<std::string> log;
};

class RewardedVideoDemoWebKitTest : public ::testing::Test {
  protected:
    void SetUp() override {
        MOVU_SKIP_WITHOUT_DISPLAY();
        ASSERT_TRUE(ads.server().isRunning());
        ads::GADFullScreenRoom::load();
        ads::GADSlotRoom::load();
        ads::registerMediationClasses();
        DemoRewardedVideoAdapter::registerClass();
        window->setRootViewController(root);
        window->makeKeyWindow();
        platform::ui::Application::shared().setDesktopOpener(
            [this](const std::vector<std::string>& argv) {
                opened.push_back(argv.back());
                return true;
            });
        rewarded->setDelegate(heard);
    }
    void TearDown() override {
        platform::ui::Application::shared().setDesktopOpener({});
        rewarded.reset();
        scope.runUntilIdle();
    }
    bool waitFor(const std::function<bool()>& condition) {
        return ads.waitOnMainLoopUntil(condition, 20);
    }
    std::vector<std::string> pings() {
        std::vector<std::string> kinds;
        for (const auto& ping : ads.log().of(RequestKind::MediationPing)) {
            kinds.push_back(ping.param("ping"));
        }
        return kinds;
    }
    bool pinged(const std::string& kind) {
        return waitFor([&] {
            const auto seen = pings();
            return std::find(seen.begin(), seen.end(), kind) != seen.end();
        });
    }

    ads::testing::AdsTestScope scope;
    ads::testing::AdServerFixture ads;
    ads::testing::SDKCoreTestScope core;
    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<platform::ui::ViewController> root = platform::ui::ViewController::create();
    std::shared_ptr<Heard> heard = std::make_shared<Heard>();
    std::shared_ptr<ads::GADRewardBasedVideoAd> rewarded = ads::GADRewardBasedVideoAd::create();
    std::vector<std::string> opened;
};

TEST_F(RewardedVideoDemoWebKitTest, TheVideoPlaysPaysTenCoinsAndClosesAsTheServerRecords) {
    rewarded->loadRequest(ads::GADRequest::request(), kRewardedUnit, "player-1");
    ASSERT_TRUE(waitFor([&] { return !heard->log.empty(); }));
    ASSERT_EQ(heard->log, std::vector<std::string>{"receive"});
    ASSERT_TRUE(rewarded->isReady());
    const auto request = ads.log().of(RequestKind::AdRequest).at(0);
    EXPECT_EQ(request.param("format"), "reward_mb");
    EXPECT_EQ(request.param("rbv_user_id"), "player-1");

    rewarded->presentFromRootViewController(root);
    auto video =
        std::dynamic_pointer_cast<DemoRewardedVideoController>(root->presentedViewController());
    ASSERT_TRUE(video);
    EXPECT_EQ(heard->log, (std::vector<std::string>{"receive", "open", "start"}));

    // Half way: the bar is half full and the reward not yet earned.
    scope.advance(2.5);
    EXPECT_NEAR(video->progress(), 0.5, 0.02);
    EXPECT_TRUE(video->closeButton()->isHidden());
    std::string cameraError;
    ScreenshotCamera camera{std::string(MOVU_BINARY_DIR) + "/screenshots", &cameraError};
    ASSERT_TRUE(camera.isReady()) << cameraError;
    std::string saveError;
    const auto playing = camera.shoot(*window, "reward_playing.png", &saveError);
    EXPECT_TRUE(saveError.empty()) << saveError;
    // The bar's played half is yellow, the rest still grey.
    EXPECT_GT(ScreenshotCamera::rgb(playing, 60, 232)[0], 200);
    EXPECT_LT(ScreenshotCamera::rgb(playing, 260, 232)[0], 120);

    // "Learn more" is a click that leaves the app for the landing page.
    video->learnMoreButton()->tap();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_NE(opened.at(0).find("/landing"), std::string::npos);

    scope.advance(2.6);
    EXPECT_TRUE(video->finished());
    EXPECT_FALSE(video->closeButton()->isHidden());
    const auto done = camera.shoot(*window, "reward_done.png", &saveError);
    EXPECT_TRUE(saveError.empty()) << saveError;
    EXPECT_GT(ScreenshotCamera::rgb(done, 260, 232)[0], 200);
    video->closeButton()->tap();
    EXPECT_FALSE(root->presentedViewController());
    EXPECT_EQ(heard->log, (std::vector<std::string>{"receive", "open", "start", "leave",
                                                    "reward:coins:10", "close"}));

    // The configuration's and the network's impressions, the click at both levels, the
    // video's start and completion.
    ASSERT_TRUE(pinged("video-complete"));
    for (const char* kind : {"imp", "network-imp", "click", "network-click", "video-start"}) {
        EXPECT_TRUE(pinged(kind)) << kind;
    }
    for (const auto& ping : ads.log().of(RequestKind::MediationPing)) {
        EXPECT_EQ(ping.param("qdata").rfind("movu-", 0), 0u) << ping.param("ping");
    }
}

TEST_F(RewardedVideoDemoWebKitTest, ANetworkWithoutFillEndsTheLoadWithNoFill) {
    ads.server().setScenario(kRewardedUnit, AdScenario::rewarded(5, false));
    rewarded->loadRequest(ads::GADRequest::request(), kRewardedUnit, "player-1");
    ASSERT_TRUE(waitFor([&] { return !heard->log.empty(); }));
    EXPECT_EQ(heard->log, std::vector<std::string>{"fail:9"});
    EXPECT_TRUE(pinged("nofill"));
}

}  // namespace
}  // namespace tools::adserver
