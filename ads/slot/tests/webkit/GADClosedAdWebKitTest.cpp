// An ad that is no longer on screen asks the player nothing: an MRAID interstitial (the ad
// server's "ask-after-close" creative, under auto-click protection) asks for a calendar event
// and to store a picture 0.2 s after the player closed it with its close button, that press
// being the only touch. No question comes up over the app's screen, the page hears the error
// of each call, the calendar's permission stays undecided, and the player's next tap reaches
// the banner. Leaves <build>/screenshots/closed_ad_*.png and what the creative heard
// (closed_ad_events.txt). Needs a display: scripts/test runs these under xvfb-run.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ads/fullscreen/GADAdAppViewController.h"
#include "ads/slot/GADInterstitial.h"
#include "ads/slot/GADSlot.h"
#include "ads/slot/tests/webkit/MRAIDWebKitTestBase.h"
#include "ads/web/GADAdView.h"
#include "platform/services/CalendarStore.h"
#include "platform/services/PhotoAlbum.h"
#include "platform/storage/Json.h"
#include "platform/testing/ScreenshotCamera.h"
#include "platform/testing/TempDir.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Button.h"
#include "platform/ui/TouchInput.h"

namespace ads {
namespace {

using platform::Value;
using platform::services::CalendarAuthorizationStatus;
using platform::services::CalendarStore;
using platform::testing::ScreenshotCamera;

class GADClosedAdWebKitTest : public ads::testing::MRAIDWebKitTestBase {
  protected:
    static constexpr const char* kInterstitialUnit = "ca-movu-ask-after-close";
    static constexpr const char* kBannerUnit = "ca-movu-after-close-banner";

    void SetUp() override {
        MRAIDWebKitTestBase::SetUp();
        platform::ui::Application::shared().setStatusBarHidden(true);
        CalendarStore::setAuthorizationStatus(CalendarAuthorizationStatus::NotDetermined);
    }

    // The messages the page was sent and its listener calls, one line each.
    static std::vector<std::string> heard(const std::shared_ptr<GADAdView>& view) {
        std::vector<std::string> lines;
        auto json = platform::Json::parse(view->stringByEvaluatingJavaScriptFromString(
            "window.records ? JSON.stringify({messages: window.messages, records: "
            "window.records}) : '{}'"));
        if (!json) return lines;
        for (const auto& m : (*json)["messages"].asArray()) {
            std::string line = "message " + m["name"].asString();
            if (m["name"].asString() == "onError") {
                line += " " + m["p"]["action"].asString() + ": " + m["p"]["message"].asString();
            }
            if (m["name"].asString() == "onAdVisibilityChanged")
                line += " " + m["p"]["visible"].asString();
            if (m["name"].asString() == "onStateChanged") line += " " + m["p"]["state"].asString();
            lines.push_back(line);
        }
        for (const auto& r : (*json)["records"].asArray()) {
            std::string line = r["event"].asString() + " (state " + r["state"].asString() +
                               (r["viewable"].asBool() ? ", viewable)" : ", not viewable)");
            for (const auto& a : r["args"].asArray()) {
                line += " " + (a.isString() ? a.asString() : a.description());
            }
            lines.push_back(line);
        }
        return lines;
    }
    static bool has(const std::vector<std::string>& lines, const std::string& text) {
        for (const auto& line : lines)
            if (line.find(text) != std::string::npos) return true;
        return false;
    }
    static std::string joined(const std::vector<std::string>& lines) {
        std::string out;
        for (const auto& line : lines) out += "  " + line + "\n";
        return out;
    }
    void tap(platform::Point point) {
        platform::ui::TouchInput input{window};
        input.touchDown(1, point);
        input.touchUp(1, point);
    }
};

TEST_F(GADClosedAdWebKitTest, AClosedInterstitialAsksNothingAndTheNextTapReachesTheBanner) {
    platform::testing::TempDir pictures;
    platform::testing::ScopedEnv album(platform::services::PhotoAlbum::kPicturesVariable,
                                       pictures.path().string());
    const platform::gfx::Image appBefore = shoot("closed_ad_app_before.png");
    ASSERT_FALSE(appBefore.empty());

    loadInterstitialOf(kInterstitialUnit, "mraid-ask-after-close,autoclick");
    ASSERT_TRUE(waitFor([&] { return interstitial->isReady(); }));
    auto view = interstitial->slot()->adView();
    ASSERT_TRUE(waitFor([&] { return has(heard(view), "ready"); })) << joined(heard(view));
    interstitial->presentFromRootViewController(controller);
    auto screen =
        std::dynamic_pointer_cast<GADAdAppViewController>(controller->presentedViewController());
    ASSERT_NE(screen, nullptr);
    ASSERT_TRUE(waitFor([&] {
        return has(heard(view), "viewableChange (state default, viewable)");
    })) << joined(heard(view));
    scope.advance(1);

    // The player closes it with our close button: the one touch in this test.
    const auto button = screen->closeButton();
    ASSERT_NE(button->superview(), nullptr);
    const auto frame = button->convertRectToView(button->bounds(), nullptr);
    const std::uint64_t touchesBefore = view->touchCount();
    tap({frame.midX(), frame.midY()});
    // Neither the close button nor the close region is a touch of the ad.
    EXPECT_EQ(view->touchCount(), touchesBefore);

    // The creative asks 0.2 s later, while the screen is still on its way out (the test's
    // clock stands still: the dismissal takes as long as the creative needs); both calls end
    // with the page hearing why.
    ASSERT_TRUE(ads.waitOnMainLoopUntil([&] { return has(heard(view), "ask ("); }, 20))
        << joined(heard(view));
    const bool answered = ads.waitOnMainLoopUntil(
        [&] {
            const auto lines = heard(view);
            return platform::ui::AlertView::visibleAlert() != nullptr ||
                   (has(lines, "Creating calendar events is not allowed") &&
                    has(lines, "Storing pictures is not allowed"));
        },
        20);
    const auto asked = platform::ui::AlertView::visibleAlert();
    ASSERT_TRUE(waitFor([&] { return controller->presentedViewController() == nullptr; }));
    scope.advance(1);
    const auto lines = heard(view);
    {
        const std::filesystem::path folder = std::string(MOVU_BINARY_DIR) + "/screenshots";
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        std::ofstream(folder / "closed_ad_events.txt") << joined(lines);
    }
    RecordProperty("heard", joined(lines));
    EXPECT_TRUE(answered) << joined(lines);
    EXPECT_EQ(asked, nullptr) << asked->message();
    EXPECT_EQ(platform::ui::AlertView::visibleAlert(), nullptr);
    EXPECT_EQ(CalendarStore::authorizationStatus(), CalendarAuthorizationStatus::NotDetermined);
    EXPECT_TRUE(opened.empty());

    // Nothing over the app's screen: it looks as it did before the interstitial.
    scope.advance(1);
    const platform::gfx::Image appAfter = shoot("closed_ad_app_after.png");
    ASSERT_FALSE(appAfter.empty());
    for (const platform::Point p :
         {platform::Point{160, 240}, platform::Point{40, 100}, platform::Point{280, 400}}) {
        EXPECT_EQ(ScreenshotCamera::rgb(appAfter, p.x, p.y),
                  ScreenshotCamera::rgb(appBefore, p.x, p.y))
            << p.x << "," << p.y;
    }

    // The banner that comes next takes the player's next tap.
    loadBannerOf(kBannerUnit, "banner", 430);
    ASSERT_TRUE(waitFor([&] { return adView() && !adView()->isHidden(); }));
    EXPECT_EQ(platform::ui::AlertView::visibleAlert(), nullptr);
    const std::uint64_t bannerTouches = adView()->touchCount();
    tap({160, 455});
    EXPECT_EQ(adView()->touchCount(), bannerTouches + 1);
    EXPECT_TRUE(adView()->touched());
}

}  // namespace
}  // namespace ads
