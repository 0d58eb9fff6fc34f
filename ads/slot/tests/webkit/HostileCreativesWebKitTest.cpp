// Creatives and servers that would take the shared web process down with them, on real WebKit
// against our loopback ad server, with the rooms loaded as the program loads them: a redirect to
// a file (from a frame, from the page itself, from a landing page in the in-app browser), a
// script that never ends, and a page that keeps taking memory. Each costs at most its own ad;
// the next ad still comes and shows. Needs a display: scripts/test runs these under xvfb-run.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "ads/foundation/GADRequest.h"
#include "ads/fullscreen/GADBrowserAdView.h"
#include "ads/fullscreen/GADBrowserAdViewDelegate.h"
#include "ads/fullscreen/GADBrowserViewController.h"
#include "ads/slot/GADInterstitial.h"
#include "ads/slot/GADSlot.h"
#include "ads/slot/tests/RecordingInterstitialDelegate.h"
#include "ads/testsupport/AdServerFixture.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/web/GADAdView.h"
#include "platform/base/LogSink.h"
#include "platform/testing/RequireDisplay.h"
#include "platform/testing/WebProcesses.h"
#include "platform/ui/TouchInput.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "platform/web/WebView.h"

namespace ads {
namespace {

using Log = std::vector<std::string>;
using platform::LogSink;
using platform::testing::residentKilobytes;
using platform::testing::webProcesses;
using tools::adserver::AdScenario;
using tools::adserver::Hostility;
using tools::adserver::RequestKind;
using RecordingDelegate = testing::RecordingInterstitialDelegate;

constexpr const char* kHostileUnit = "ca-movu-hostile";
constexpr const char* kNextUnit = "ca-movu-next";

class HostileCreativesWebKitTest : public ::testing::Test {
  protected:
    void SetUp() override {
        MOVU_SKIP_WITHOUT_DISPLAY();
        ASSERT_TRUE(ads.server().isRunning());
        window->setRootViewController(app);
        window->makeKeyWindow();
        ads.server().setScenario(kNextUnit, AdScenario::interstitial());
    }
    void TearDown() override {
        interstitials.clear();
        scope.runUntilIdle();
    }

    // Real seconds: the engine's limits are of real time, not of the test's clock.
    bool waitFor(const std::function<bool()>& condition, double seconds = 30) {
        return ads.waitOnMainLoopUntil(condition, seconds);
    }
    std::shared_ptr<GADInterstitial> load(const char* unit,
                                          const std::shared_ptr<RecordingDelegate>& delegate) {
        auto interstitial = GADInterstitial::create(unit);
        interstitial->setDelegate(delegate);
        interstitial->loadRequest(GADRequest::request());
        interstitials.push_back(interstitial);
        return interstitial;
    }
    bool heardOnShow(const char* unit) {
        for (const auto& event : ads.log().of(RequestKind::CreativeEvent)) {
            if (event.slotname == unit && event.param("name") == "onshow") return true;
        }
        return false;
    }
    // The next ad is asked for, arrives and shows: its page hears "onshow".
    void expectTheNextAdShows(double seconds = 30) {
        auto delegate = std::make_shared<RecordingDelegate>();
        auto next = load(kNextUnit, delegate);
        ASSERT_TRUE(waitFor([&] { return !delegate->log.empty(); }, seconds));
        ASSERT_EQ(delegate->log, (Log{"received"}));
        next->presentFromRootViewController(app);
        scope.advance(1);
        ASSERT_TRUE(waitFor([&] { return heardOnShow(kNextUnit); }));
        EXPECT_EQ(delegate->log, (Log{"received", "willPresent"}));
    }
    // The hostile interstitial, loaded.
    std::shared_ptr<GADInterstitial> loadHostile(Hostility hostility) {
        ads.server().setScenario(kHostileUnit, AdScenario::interstitial().withHostility(hostility));
        auto interstitial = load(kHostileUnit, hostileDelegate);
        EXPECT_TRUE(waitFor([&] { return !hostileDelegate->log.empty(); }));
        return interstitial;
    }
    void tap(platform::Point point) {
        platform::ui::TouchInput input{window};
        input.touchDown(1, point);
        input.touchUp(1, point);
    }

    void expectARedirectToAFileCostsNothing(Hostility hostility) {
        LogSink::Capture log;
        auto hostile = loadHostile(hostility);
        ASSERT_EQ(hostileDelegate->log, (Log{"received"}));
        ASSERT_TRUE(waitFor([&] { return ads.log().count(RequestKind::FileRedirect) == 1; }));
        const auto processes = webProcesses();
        ASSERT_FALSE(processes.empty());

        expectTheNextAdShows();
        // Nothing ended: the same process runs both ads (and the core page), and the hostile
        // page is still there, where it was.
        EXPECT_EQ(webProcesses(), processes);
        EXPECT_EQ(hostile->slot()->adView()->stringByEvaluatingJavaScriptFromString(
                      "document.getElementById('close').textContent"),
                  "Close");
        EXPECT_FALSE(log.contains("web process")) << ::testing::PrintToString(log.lines());
    }

    ads::testing::AdsTestScope scope;
    ads::testing::AdServerFixture ads;
    ads::testing::SDKCoreTestScope core;
    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<platform::ui::ViewController> app = platform::ui::ViewController::create();
    std::shared_ptr<RecordingDelegate> hostileDelegate = std::make_shared<RecordingDelegate>();
    std::vector<std::shared_ptr<GADInterstitial>> interstitials;
};

TEST_F(HostileCreativesWebKitTest, AFrameRedirectedToAFileCostsNothing) {
    expectARedirectToAFileCostsNothing(Hostility::FileFrame);
}

TEST_F(HostileCreativesWebKitTest, APageRedirectedToAFileCostsNothing) {
    expectARedirectToAFileCostsNothing(Hostility::FileNavigation);
}

TEST_F(HostileCreativesWebKitTest, TheInAppBrowserKeepsItsPageWhenALinkLeadsToAFile) {
    auto browser = GADBrowserViewController::create();
    browser->load(*platform::Url::parse(ads.server().url("/landing?slot=hostile&ad=1")),
                  std::nullopt);
    ASSERT_TRUE(browser->presentFromViewController(app, {}));
    auto loaded = [&] {
        return browser->adViewDelegate() && browser->adViewDelegate()->hasLoadedAtLeastOnce() &&
               !browser->adView()->webView()->isLoading();
    };
    ASSERT_TRUE(waitFor(loaded));
    const auto processes = webProcesses();
    ASSERT_FALSE(processes.empty());
    LogSink::Capture log;

    browser->adView()->executeJavaScriptAsynchronouslyFromString(
        "document.getElementById('file').click();");
    ASSERT_TRUE(waitFor([&] { return ads.log().count(RequestKind::FileRedirect) == 1; }));
    ASSERT_TRUE(waitFor(loaded));
    const auto stayed = browser->adView()->webView()->url();
    ASSERT_TRUE(stayed);
    EXPECT_EQ(stayed->path(), "/landing");

    // The page goes on: its next link leads on as ever, in the same process.
    browser->adView()->executeJavaScriptAsynchronouslyFromString(
        "document.getElementById('next').click();");
    // The server hears the second page before the view has left the first.
    const auto onTheSecondPage = [&] {
        const auto url = browser->adView()->webView()->url();
        return url && url->query().value_or("") == "slot=hostile&ad=1&page=2";
    };
    ASSERT_TRUE(waitFor([&] { return onTheSecondPage() && loaded(); }));
    EXPECT_EQ(ads.log().count(RequestKind::Landing), 2u);
    EXPECT_EQ(webProcesses(), processes);
    EXPECT_FALSE(log.contains("web process")) << ::testing::PrintToString(log.lines());
    browser->doneButtonPressed();
    scope.advance(1);
}

TEST_F(HostileCreativesWebKitTest, ASpinningCreativeIsClosedAndTheNextAdRequestStillArrives) {
    auto hostile = loadHostile(Hostility::Spin);
    ASSERT_EQ(hostileDelegate->log, (Log{"received"}));
    hostile->presentFromRootViewController(app);
    scope.advance(1);
    // Shown until its script has taken the process: the page no longer answers.
    auto page = hostile->slot()->adView()->webView();
    ASSERT_TRUE(waitFor(
        [&] { return page->stringByEvaluatingJavaScriptFromString("'here'", 0.2).empty(); }));
    // The game goes on while the page spins, and our close button closes the ad.
    tap({16, 16});
    scope.advance(1);
    EXPECT_EQ(hostileDelegate->log, (Log{"received", "willPresent", "willDismiss", "didDismiss"}));
    const auto spinning = webProcesses();
    const auto adRequests = ads.log().count(RequestKind::AdRequest);
    LogSink::Capture log;

    // The core page spins along in the same process: the request reaches the server once that
    // process has been ended and the page loaded again in a new one.
    auto delegate = std::make_shared<RecordingDelegate>();
    const auto asked = std::chrono::steady_clock::now();
    auto next = load(kNextUnit, delegate);
    ASSERT_TRUE(waitFor([&] { return ads.log().count(RequestKind::AdRequest) > adRequests; },
                        platform::web::kWebProcessUnresponsiveSeconds + 60))
        << ::testing::PrintToString(log.lines());
    RecordProperty(
        "secondsUntilTheRequestArrived",
        std::to_string(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - asked).count()));
    EXPECT_TRUE(log.contains("has not answered")) << ::testing::PrintToString(log.lines());
    const auto now = webProcesses();
    for (pid_t pid : spinning) EXPECT_EQ(std::count(now.begin(), now.end(), pid), 0) << pid;

    ASSERT_TRUE(waitFor([&] { return !delegate->log.empty(); }));
    ASSERT_EQ(delegate->log, (Log{"received"}));
    next->presentFromRootViewController(app);
    scope.advance(1);
    EXPECT_TRUE(waitFor([&] { return heardOnShow(kNextUnit); }));
}

TEST_F(HostileCreativesWebKitTest, AnAllocatingCreativeIsEndedUnderTheLimitAndTheNextAdShows) {
    LogSink::Capture log;
    ads.server().setScenario(kHostileUnit,
                             AdScenario::interstitial().withHostility(Hostility::Allocate));
    load(kHostileUnit, hostileDelegate);
    // Sampled every turn of the loop (a tenth of a second at most) until the engine ends it.
    long peak = 0;
    ASSERT_TRUE(waitFor(
        [&] {
            peak = std::max(peak, residentKilobytes(webProcesses()));
            return log.contains("went over its memory limit");
        },
        120))
        << peak << " " << ::testing::PrintToString(log.lines());
    RecordProperty("peakResidentMegabytes", std::to_string(peak / 1024));
    EXPECT_LT(peak / 1024, long{platform::web::kWebProcessMemoryLimitMegabytes});
    EXPECT_GT(peak / 1024, long{platform::web::kWebProcessMemoryEndMegabytes / 2});

    expectTheNextAdShows();
    EXPECT_LT(residentKilobytes(webProcesses()) / 1024,
              long{platform::web::kWebProcessMemoryEndMegabytes});
}

}  // namespace
}  // namespace ads
