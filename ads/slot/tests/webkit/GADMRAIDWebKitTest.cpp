// MRAID creatives on real WebKit against our loopback ad server: the banner's page asks for
// mraid.js, the SDK serves ours (fetched from the server's implementation path), and the
// creative's own log lines are read back after each step. Expand fills the window and closes
// back into place; a resize leaves the rest of the window to the app; "Save" puts the picture
// in the album; "Add" leaves an iCalendar file; without the scripts on the server, mraid.js
// fails. Leaves <build>/screenshots/mraid_*.png for a person to look at. Needs a display:
// scripts/test runs these under xvfb-run.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "ads/foundation/GADAdSize.h"
#include "ads/foundation/GADRequest.h"
#include "ads/fullscreen/GADAdAppViewController.h"
#include "ads/fullscreen/GADExpandedAdAppViewController.h"
#include "ads/slot/GADBannerSlotAdapter.h"
#include "ads/slot/GADBannerView.h"
#include "ads/slot/GADInterstitial.h"
#include "ads/slot/GADSlot.h"
#include "ads/slot/tests/webkit/MRAIDWebKitTestBase.h"
#include "ads/testsupport/AdServerFixture.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADMRAIDInterceptor.h"
#include "platform/services/CalendarStore.h"
#include "platform/services/EventEditor.h"
#include "platform/services/PhotoAlbum.h"
#include "platform/storage/AtomicFile.h"
#include "platform/storage/Json.h"
#include "platform/testing/RequireDisplay.h"
#include "platform/testing/ScreenshotCamera.h"
#include "platform/testing/TempDir.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/TouchInput.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "platform/web/ResourceInterceptor.h"
#include "tools/ad_server/AdScenario.h"

namespace ads {
namespace {

using tools::adserver::AdScenario;
using tools::adserver::RequestKind;

class GADMRAIDWebKitTest : public ads::testing::MRAIDWebKitTestBase {
  protected:
    static constexpr const char* kUnit = "ca-movu-mraid";

    // A 320 x 50 banner at the bottom of the window with the creative of the feature.
    void loadBanner(const std::string& feature) {
        loadBannerOf(kUnit, "mraid-" + feature + ",size=320x50", 430);
    }
    std::string lines() {
        return adView()->stringByEvaluatingJavaScriptFromString(
            "window.lines ? window.lines.join('|') : ''");
    }
    bool waitForLine(const std::string& text) {
        return waitFor([&] { return lines().find(text) != std::string::npos; });
    }
    // The alert the last press brought up, once it shows; nullptr when none came.
    std::shared_ptr<platform::ui::AlertView> alertShown() {
        waitFor([] { return platform::ui::AlertView::visibleAlert() != nullptr; }, 10);
        return platform::ui::AlertView::visibleAlert();
    }
    void press(int button) {
        adView()->stringByEvaluatingJavaScriptFromString(
            "document.getElementById('b" + std::to_string(button) + "').click(); 'ok'");
    }
    // A player's finger on the button, where the page shows it.
    void tapButton(int button) {
        auto where = platform::Json::parse(adView()->stringByEvaluatingJavaScriptFromString(
            "JSON.stringify(document.getElementById('b" + std::to_string(button) +
            "').getBoundingClientRect())"));
        ASSERT_TRUE(where);
        const auto frame = adFrameInWindow();
        const platform::Point point{
            frame.minX() + (*where)["left"].doubleValue() + (*where)["width"].doubleValue() / 2,
            frame.minY() + (*where)["top"].doubleValue() + (*where)["height"].doubleValue() / 2};
        platform::ui::TouchInput input{window};
        input.touchDown(1, point);
        input.touchUp(1, point);
    }
};

TEST_F(GADMRAIDWebKitTest, ExpandFillsTheWindowAndClosesBackIntoPlace) {
    loadBanner("expand");
    ASSERT_TRUE(waitForLine("ready, state default")) << lines();
    EXPECT_NE(lines().find("placement inline"), std::string::npos);
    EXPECT_TRUE(ads.server().log().count(RequestKind::MraidAsset) >= 1);
    const auto placed = adFrameInWindow();
    EXPECT_EQ(placed, (platform::Rect{0, 430, 320, 50}));

    press(0);
    ASSERT_TRUE(waitForLine("stateChange expanded")) << lines();
    EXPECT_EQ(adFrameInWindow(), (platform::Rect{0, 0, 320, 480}));
    shoot("mraid_expanded.png");
    press(1);
    ASSERT_TRUE(waitForLine("stateChange default")) << lines();
    ASSERT_TRUE(waitFor([&] { return adFrameInWindow() == placed; }, 10));
}

TEST_F(GADMRAIDWebKitTest, AResizeLeavesTheRestOfTheWindowAndItsCloseReturnsIt) {
    loadBanner("resize");
    ASSERT_TRUE(waitForLine("ready")) << lines();
    press(0);
    ASSERT_TRUE(waitForLine("stateChange resized")) << lines();
    ASSERT_TRUE(waitForLine("sizeChange 320x250")) << lines();
    EXPECT_EQ(adFrameInWindow().size, (platform::Size{320, 250}));
    shoot("mraid_resized.png");
    // Outside the resized ad the window is the app's.
    const auto frame = adFrameInWindow();
    const platform::Point outside{160, frame.minY() > 100 ? 40.0 : 440.0};
    EXPECT_EQ(window->hitTest(outside, nullptr), controller->view());
    press(1);
    ASSERT_TRUE(waitForLine("stateChange default")) << lines();
    ASSERT_TRUE(waitFor([&] { return adFrameInWindow() == platform::Rect{0, 430, 320, 50}; }, 10));
}

TEST_F(GADMRAIDWebKitTest, SaveStoresThePictureInTheAlbum) {
    platform::testing::TempDir pictures;
    platform::testing::ScopedEnv album(platform::services::PhotoAlbum::kPicturesVariable,
                                       pictures.path().string());
    loadBanner("picture");
    // A player taps what is on screen: "ready" comes while the banner's page still loads,
    // before the banner shows it, and a touch then lands on the app's view under it.
    ASSERT_TRUE(waitForLine("viewableChange true")) << lines();
    // The question comes from the player's touch, one touch per question.
    tapButton(0);
    auto alert = alertShown();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->title(), "Permission");
    alert->tapButton(alert->firstOtherButtonIndex());
    const auto folder = pictures.path() / "Movuroute";
    ASSERT_TRUE(waitFor(
        [&] {
            std::error_code ec;
            return std::filesystem::exists(folder, ec) &&
                   std::filesystem::directory_iterator(folder, ec) !=
                       std::filesystem::directory_iterator();
        },
        20));
    // A page that is no picture is refused with its reason.
    tapButton(2);
    alert = alertShown();
    ASSERT_NE(alert, nullptr);
    alert->tapButton(alert->firstOtherButtonIndex());
    ASSERT_TRUE(waitForLine("error storePicture: Failed to load")) << lines();
    EXPECT_NE(lines().find("not a PNG or JPEG"), std::string::npos);
    // Asked for by the page itself, with no finger on the ad: refused, no question.
    press(1);
    ASSERT_TRUE(waitForLine("error storePicture: Storing pictures is not allowed")) << lines();
    EXPECT_EQ(platform::ui::AlertView::visibleAlert(), nullptr);
}

TEST_F(GADMRAIDWebKitTest, AddLeavesAnEventFileAParserReadsBack) {
    platform::services::CalendarStore::setAuthorizationStatus(
        platform::services::CalendarAuthorizationStatus::NotDetermined);
    loadBanner("calendar");
    ASSERT_TRUE(waitForLine("ready")) << lines();
    press(0);
    auto question = alertShown();
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(question->message(), "Movuroute would like to add events to your calendar.");
    question->tapButton(question->firstOtherButtonIndex());
    std::shared_ptr<platform::services::EventEditor> editor;
    ASSERT_TRUE(waitFor(
        [&] {
            editor = std::dynamic_pointer_cast<platform::services::EventEditor>(
                controller->presentedViewController());
            return editor != nullptr;
        },
        10));
    scope.advance(1);
    shoot("mraid_calendar.png");
    editor->sendButton()->sendActionsForControlEvents(platform::ui::ControlEventTouchUpInside);
    ASSERT_TRUE(editor->savedFile());
    auto text = platform::AtomicFile::read(*editor->savedFile());
    ASSERT_TRUE(text);
    // Read back line by line, as a calendar would.
    std::map<std::string, std::string> properties;
    for (std::size_t at = 0; at < text->size();) {
        const auto end = text->find("\r\n", at);
        ASSERT_NE(end, std::string::npos);
        const auto line = text->substr(at, end - at);
        const auto colon = line.find(':');
        if (colon != std::string::npos && line[0] != ' ')
            properties[line.substr(0, colon)] = line.substr(colon + 1);
        at = end + 2;
    }
    EXPECT_EQ(properties["SUMMARY"], "Movuroute launch party");
    EXPECT_EQ(properties["LOCATION"], "Hall 2");
    EXPECT_EQ(properties["DTSTART"], "20261224T173000Z");
    EXPECT_EQ(properties["DTEND"], "20261224T200000Z");
    EXPECT_EQ(opened, (std::vector<std::string>{editor->savedFile()->string()}));
}

TEST_F(GADMRAIDWebKitTest, WithoutTheScriptsOnTheServerMraidJsFails) {
    ads.server().setServesMraidScripts(false);
    loadBanner("expand");
    ASSERT_TRUE(waitForLine("mraid.js failed to load")) << lines();
    EXPECT_NE(lines().find("no mraid"), std::string::npos);
}

class InterstitialEvents : public GADInterstitialDelegate {
  public:
    void interstitialDidReceiveAd(GADInterstitial&) override { log.push_back("received"); }
    void interstitialWillPresentScreen(GADInterstitial&) override { log.push_back("willPresent"); }
    void interstitialWillDismissScreen(GADInterstitial&) override { log.push_back("willDismiss"); }
    void interstitialDidDismissScreen(GADInterstitial&) override { log.push_back("didDismiss"); }
    std::vector<std::string> log;
};

class GADMRAIDInterstitialWebKitTest : public GADMRAIDWebKitTest {
  protected:
    static constexpr const char* kInterstitialUnit = "ca-movu-mraid-ist";

    void present(const std::string& feature) {
        loadInterstitialOf(kInterstitialUnit, "mraid-" + feature, events);
        ASSERT_TRUE(waitFor([&] { return !events->log.empty(); }));
        ASSERT_EQ(events->log, (std::vector<std::string>{"received"}));
        interstitial->presentFromRootViewController(controller);
        ASSERT_TRUE(waitFor([&] { return lines().find("ready") != std::string::npos; }));
    }
    std::string lines() {
        return interstitial->slot()->adView()->stringByEvaluatingJavaScriptFromString(
            "window.lines ? window.lines.join('|') : ''");
    }
    void pressInAd(int button) {
        interstitial->slot()->adView()->stringByEvaluatingJavaScriptFromString(
            "document.getElementById('b" + std::to_string(button) + "').click(); 'ok'");
    }
    bool dismissed() {
        return waitFor([&] { return !events->log.empty() && events->log.back() == "didDismiss"; });
    }

    std::shared_ptr<InterstitialEvents> events = std::make_shared<InterstitialEvents>();
};

TEST_F(GADMRAIDInterstitialWebKitTest, TheCreativesCloseButtonEndsTheInterstitialOnce) {
    present("close");
    EXPECT_NE(lines().find("placement interstitial"), std::string::npos) << lines();
    shoot("mraid_interstitial.png");
    pressInAd(0);
    ASSERT_TRUE(dismissed()) << lines();
    EXPECT_EQ(events->log,
              (std::vector<std::string>{"received", "willPresent", "willDismiss", "didDismiss"}));
}

TEST_F(GADMRAIDInterstitialWebKitTest, CustomCloseDrawsNoButtonButTheCornerStillCloses) {
    present("custom-close");
    // The creative takes the close control over: the corner stays tappable, undrawn.
    interstitial->slot()->adView()->stringByEvaluatingJavaScriptFromString(
        "mraid.useCustomClose(true); 'ok'");
    auto screen =
        std::dynamic_pointer_cast<GADAdAppViewController>(controller->presentedViewController());
    ASSERT_NE(screen, nullptr);
    ASSERT_TRUE(waitFor([&] { return screen->useCustomClose(); }));
    scope.advance(1);
    shoot("mraid_custom_close.png");
    platform::ui::TouchInput input{window};
    input.touchDown(1, {300, 20});
    input.touchUp(1, {300, 20});
    ASSERT_TRUE(dismissed()) << lines();
    EXPECT_EQ(events->log,
              (std::vector<std::string>{"received", "willPresent", "willDismiss", "didDismiss"}));
}

}  // namespace
}  // namespace ads
