// One tap of an ad, then a page that follows its link by script without end: 20 times at once,
// then again and again. On real WebKit against our loopback ad server, through every road an
// opening takes that has a page of its own (our banner, our interstitial, an MRAID banner whose
// link leads into the in-app browser to a site that tries to leave for another program by
// itself, the mediated HTML adapter's banner): one tap is one opening and one click ping. The
// same creative with 1,000 links after the tap makes at most a few calls to the ad server,
// and none once the ad is gone. Needs a display: scripts/test runs these under xvfb-run.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ads/Ads.h"
#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADStatisticDictionary.h"
#include "ads/fullscreen/GADBrowserAdView.h"
#include "ads/fullscreen/GADBrowserViewController.h"
#include "ads/mediation/GADMAdapterHTML.h"
#include "ads/mediation/tests/webkit/MediatedPublicAdsWebKitTest.h"
#include "ads/slot/GADSlot.h"
#include "ads/testsupport/DesktopRecorder.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADMRAIDInterceptor.h"
#include "platform/base/LogSink.h"
#include "platform/base/NumberText.h"
#include "platform/ui/Application.h"
#include "platform/ui/TouchInput.h"
#include "platform/web/ResourceInterceptor.h"
#include "platform/web/WebContentView.h"
#include "platform/web/WebView.h"
#include "tools/ad_server/FrameCreatives.h"

namespace ads {
namespace {

using tools::adserver::AdScenario;
using tools::adserver::PageAnswer;
using tools::adserver::RequestKind;

constexpr const char* kUnit = "ca-movu-one-tap";
constexpr const char* kNextUnit = "ca-movu-one-tap-next";
// Late clicks the page makes, once every this many milliseconds, after its burst.
constexpr int kLateIntervalMillis = 100;
constexpr int kLateClicksWatched = 10;

// The creative: a link and, on the page's first trusted click, `burst` script clicks of the
// link at once, then one every `intervalMillis` (none when 0), each to a new address that
// starts with `landing`; the clicks made so far are in window.movuClicks.
std::string burstingCreative(const std::string& landing, int burst, int intervalMillis,
                             bool mraid) {
    return std::string(mraid ? "<script src=\"mraid.js\"></script>" : "") +
           "<body style=\"margin:0;height:100%;background:#2e7dd7\">"
           "<a id=\"l\" href=\"" +
           landing + "m=0\">AD</a><script>var O=\"" + landing +
           "\",t=0,n=0;window.movuClicks=0;\n"
           "document.addEventListener(\"click\",function(e){if(e.isTrusted&&!t){t=1;"
           "setTimeout(function(){\n"
           "for(var i=1;i<=" +
           std::to_string(burst) + ";i++){l.href=O+\"burst=\"+i;l.click();window.movuClicks++}\n" +
           (intervalMillis > 0 ? "setInterval(function(){l.href=O+\"late=\"+(n++);l.click();"
                                 "window.movuClicks++}," +
                                     std::to_string(intervalMillis) + ")"
                               : std::string()) +
           "},50)}},true)</script></body>";
}

class OneTapEveryRoadWebKitTest : public testing::MediatedPublicAdsWebKitTest {
  protected:
    void SetUp() override {
        // Every room as the program loads it: MRAID's script is the web room's to serve.
        ads::load();
        MediatedPublicAdsWebKitTest::SetUp();
        if (IsSkipped()) return;
        window->setRootViewController(controller);
        // The site's own scheme opens (on the recorded desktop) when a touch lets it.
        platform::ui::Application::shared().setOwnURLSchemes({"movuroute"});
    }
    void TearDown() override {
        MediatedPublicAdsWebKitTest::TearDown();
        platform::ui::Application::shared().setOwnURLSchemes({});
        platform::web::ResourceInterceptor::setHandler(GADMRAIDInterceptor::kScriptName, nullptr);
        GADMRAIDInterceptor::resetForTesting();
    }

    // A banner of the unit at the bottom of the app's screen, loaded as the scenario says.
    void loadOurBanner(const AdScenario& scenario) {
        ads.server().setScenario(kUnit, scenario);
        banner = GADBannerView::create(kGADAdSizeBanner, {0, 430});
        banner->setAdUnitID(kUnit);
        banner->setRootViewController(controller);
        banner->setDelegate(heard);
        controller->view()->addSubview(banner);
        banner->loadRequest(GADRequest::request());
    }
    void tap(platform::Point point) {
        platform::ui::TouchInput input{window};
        input.touchDown(1, point);
        input.touchUp(1, point);
    }
    // What the page says it did, asked with a second of patience each time.
    static long pageNumber(platform::web::WebView& page, const std::string& expression) {
        return platform::integerValue(
            page.stringByEvaluatingJavaScriptFromString("String(" + expression + ")", 1));
    }
    // The app-wide count of clicks the SDK reported (one per opening of any road).
    static long clicksCounted() {
        const auto clicks = GADApplication::sharedInstance()->statistics()->objectForKey("pclick");
        return clicks ? clicks->integerValue() : 0;
    }
    std::size_t navigationBlockedCalls() {
        std::size_t count = 0;
        for (const auto& call : ads.log().of(RequestKind::CoreCall))
            count += call.event == "navigationBlocked";
        return count;
    }
    // The page (ours, or the mediated adapter's) of the banner shown.
    std::shared_ptr<platform::web::WebView> bannerPage() {
        if (auto mediated =
                std::dynamic_pointer_cast<platform::web::WebContentView>(banner->mediatedAdView()))
            return mediated->webView();
        return banner->adView() ? banner->adView()->webView() : nullptr;
    }
    // Loads and shows a banner; answers its page.
    std::shared_ptr<platform::web::WebView> showBanner(const AdScenario& scenario) {
        loadOurBanner(scenario);
        // The mediated adapter looks at its page on the test's clock.
        EXPECT_TRUE(ads.waitWhileClockMoves(scope, [&] {
            return std::find(heard->log.begin(), heard->log.end(), "received") != heard->log.end();
        })) << ::testing::PrintToString(heard->log);
        return bannerPage();
    }
    // Loads and presents an interstitial of the HTML; answers its page.
    std::shared_ptr<platform::web::WebView> showInterstitial(const std::string& html) {
        ads.server().setScenario(kUnit, AdScenario::interstitial().withHtml(html));
        interstitial = GADInterstitial::create(kUnit);
        interstitial->setDelegate(heard);
        interstitial->loadRequest(GADRequest::request());
        EXPECT_TRUE(waitFor([&] { return interstitial->isReady(); }));
        interstitial->presentFromRootViewController(controller);
        EXPECT_TRUE(ads.waitWhileClockMoves(scope, [&] {
            auto screen = controller->presentedViewController();
            return screen && screen->view()->isUserInteractionEnabled();
        }));
        return interstitial->slot()->adView()->webView();
    }
    static AdScenario mediatedBanner(const std::string& html) {
        return AdScenario::mediation({GADMAdapterHTML::kClassName}, 30000)
            .withAnswer(PageAnswer::FetchedAd)
            .withHtml(html);
    }
    // The ad shown goes: its screen closes, then the app lets go of it.
    void letGoOfTheAd() {
        if (auto screen =
                std::dynamic_pointer_cast<GADViewController>(controller->presentedViewController()))
            screen->relinquishScreenWithCompletion({});
        if (banner) banner->removeFromSuperview();
        banner.reset();
        interstitial.reset();
    }

    testing::DesktopRecorder desktop;
};

TEST_F(OneTapEveryRoadWebKitTest, OneTapIsOneOpeningAndOneClickPingOnEveryRoad) {
    const std::string origin = ads.origin();
    const std::string landing = origin + "/landing?";
    const std::string leaving = origin + "/landing?leave=1&";
    const auto creative = [&](bool mraid) {
        return burstingCreative(mraid ? leaving : landing, 20, kLateIntervalMillis, mraid);
    };
    struct Road {
        const char* name;
        // Loads and shows the ad; answers its page.
        std::function<std::shared_ptr<platform::web::WebView>()> show;
        platform::Point tapAt;
        std::size_t desktopOpenings;
        std::size_t mediationClickPings;
    };
    const Road roads[] = {
        {"banner",
         [&] { return showBanner(AdScenario::banner().withHtml(creative(false))); },
         {160, 455},
         1,
         0},
        {"interstitial", [&] { return showInterstitial(creative(false)); }, {160, 300}, 1, 0},
        // Its link leads into the in-app browser, to a site that leaves by itself.
        {"MRAID banner and the in-app browser's site",
         [&] { return showBanner(AdScenario::banner().withHtml(creative(true))); },
         {160, 455},
         0,
         0},
        {"mediated HTML banner",
         [&] { return showBanner(mediatedBanner(creative(false))); },
         {160, 455},
         1,
         1},
    };
    for (const auto& road : roads) {
        SCOPED_TRACE(road.name);
        ads.log().clear();
        heard->log.clear();
        const auto desktopBefore = desktop.opened().size();
        const long clicksBefore = clicksCounted();
        auto page = road.show();
        ASSERT_TRUE(page);
        // Past the moment a tap right after a load is taken for a mistake.
        ads.waitWhileClockMoves(
            scope, [] { return false; }, 0.5);

        tap(road.tapAt);
        // The burst and ten late clicks: each navigation it asked for has been decided once
        // the page says it made it.
        ASSERT_TRUE(ads.waitWhileClockMoves(scope, [&] {
            return pageNumber(*page, "window.movuClicks") >= 20 + kLateClicksWatched;
        })) << pageNumber(*page, "window.movuClicks");
        ASSERT_TRUE(ads.waitOnMainLoop(RequestKind::ClickTracking, 1));
        scope.runUntilIdle();

        EXPECT_EQ(desktop.opened().size() - desktopBefore, road.desktopOpenings);
        EXPECT_EQ(clicksCounted() - clicksBefore, 1);
        EXPECT_EQ(ads.log().count(RequestKind::ClickTracking), 1u);
        std::size_t mediationClicks = 0;
        for (const auto& ping : ads.log().of(RequestKind::MediationPing))
            mediationClicks += ping.param("ping") == "click";
        EXPECT_EQ(mediationClicks, road.mediationClickPings);
        // What the page followed stayed where it was: no landing page but the browser's.
        if (road.desktopOpenings) {
            EXPECT_EQ(ads.log().count(RequestKind::Landing), 0u);
        }

        if (road.desktopOpenings == 0) {
            // The in-app browser's site left for another program again and again, untouched:
            // it opened nothing, and counted nothing.
            auto browser = std::dynamic_pointer_cast<GADBrowserViewController>(
                controller->presentedViewController());
            ASSERT_TRUE(browser);
            ASSERT_TRUE(waitFor([&] {
                return browser->adView() &&
                       pageNumber(*browser->adView()->webView(), "window.movuLeft") >= 30;
            }));
            scope.runUntilIdle();
            EXPECT_EQ(desktop.opened().size(), desktopBefore);
            EXPECT_EQ(clicksCounted() - clicksBefore, 1);
            browser->relinquishScreenWithCompletion({});
        }
        if (auto screen =
                std::dynamic_pointer_cast<GADViewController>(controller->presentedViewController()))
            screen->relinquishScreenWithCompletion({});
        ads.waitWhileClockMoves(scope, [&] { return !controller->presentedViewController(); });
        RecordProperty(std::string(road.name) + " openings",
                       static_cast<int>(clicksCounted() - clicksBefore));
        if (banner) banner->removeFromSuperview();
        banner.reset();
        interstitial.reset();
        scope.runUntilIdle();
    }
}

TEST_F(OneTapEveryRoadWebKitTest,
       AThousandRefusedOpeningsAreAFewCallsToTheAdServerAndNoneOnceGone) {
    // Our banner under the server's protection, so nothing opens before the tap either.
    loadOurBanner(AdScenario::banner()
                      .withHtml(burstingCreative(ads.origin() + "/landing?", 1000, 0, false))
                      .withAutoClickProtection());
    ASSERT_TRUE(waitFor([&] { return !heard->log.empty(); }));
    ASSERT_EQ(heard->log, std::vector<std::string>{"received"});
    auto page = bannerPage();
    ASSERT_TRUE(page);
    ads.waitWhileClockMoves(
        scope, [] { return false; }, 0.5);

    // The page clicks its thousand links in one go. Past its budget of navigations the view
    // refuses the rest and then ends the page, which may be gone before it is looked at.
    platform::LogSink::Capture log;
    tap({160, 455});
    ASSERT_TRUE(ads.waitWhileClockMoves(scope, [&] {
        return pageNumber(*page, "window.movuClicks") >= 1000 || log.contains("it was ended");
    }));
    ASSERT_TRUE(ads.waitOnMainLoop(RequestKind::ClickTracking, 1));
    scope.runUntilIdle();
    EXPECT_EQ(desktop.opened().size(), 1u);

    // The ad goes, and another is asked for. The core page hands its calls to the server one
    // after the other: once the next ad's request is there, every call asked before it is too.
    banner->removeFromSuperview();
    banner.reset();
    page.reset();
    scope.runUntilIdle();
    ads.server().setScenario(kNextUnit, AdScenario::banner());
    auto next = GADBannerView::create(kGADAdSizeBanner, {0, 430});
    next->setAdUnitID(kNextUnit);
    next->setRootViewController(controller);
    controller->view()->addSubview(next);
    next->loadRequest(GADRequest::request());
    ASSERT_TRUE(ads.waitOnMainLoopUntil([&] {
        for (const auto& call : ads.log().of(RequestKind::CoreCall))
            if (call.function == "RADE_getAd" && call.slotname == kNextUnit) return true;
        return false;
    }));
    const std::size_t calls = navigationBlockedCalls();
    RecordProperty("navigationBlockedCallsFor1000RefusedOpenings", static_cast<int>(calls));
    EXPECT_GE(calls, 1u);
    // At most three: the first says the ad opens on its own, two more that it keeps on.
    EXPECT_LE(calls, 3u);
    // The next ad shows; nothing more of the first reaches the server.
    ASSERT_TRUE(ads.waitOnMainLoopUntil([&] {
        for (const auto& impression : ads.log().of(RequestKind::Impression))
            if (impression.slotname == kNextUnit) return true;
        return false;
    }));
    EXPECT_EQ(navigationBlockedCalls(), calls);
    next->removeFromSuperview();
}

// An ad goes while a navigation its page started waits for its answer, and its page lives on
// for a moment (work of the page's still queued holds it): nothing answers for the page any
// more, and what it asked for is refused, never loaded by itself. (Seen: with a view left
// without its delegate, a banner's page fetched the landing page its script went to as the
// next ad was shown, and that ad was charged with it.) The page navigates inside a synchronous
// evaluation, whose events are handed on only after it returns, so the ad goes before the
// question is answered whatever the machine's load.
TEST_F(OneTapEveryRoadWebKitTest, AnAdLetGoWithItsPagesNavigationUnansweredFetchesNothing) {
    const std::string body = "<body style=\"margin:0;height:100%;background:#2e7dd7\">ad</body>";
    const struct {
        const char* name;
        AdScenario scenario;
        // What lives on: the ad view (ours) or only its web view.
        bool keepsAdView;
    } cases[] = {
        {"banner's web view", AdScenario::banner().withHtml(body), false},
        {"banner's ad view", AdScenario::banner().withHtml(body), true},
        {"mediated HTML banner's web view", mediatedBanner(body), false},
    };
    for (const auto& ad : cases) {
        SCOPED_TRACE(ad.name);
        heard->log.clear();
        auto page = showBanner(ad.scenario);
        ASSERT_TRUE(page);
        std::shared_ptr<GADAdView> adView = ad.keepsAdView ? banner->adView() : nullptr;
        const auto shown = page->url();
        ads.log().clear();

        page->stringByEvaluatingJavaScriptFromString(
            "location.href = '" + ads.origin() + "/landing?gone=1'; 'went'", 1);
        letGoOfTheAd();
        scope.runUntilIdle();
        // Whatever left the page has reached the server by then.
        ads.waitWhileClockMoves(
            scope, [] { return false; }, 1);
        EXPECT_EQ(ads.log().count(RequestKind::Landing), 0u);
        EXPECT_EQ(page->url(), shown);
    }
}

// A network's creative in a frame of the mediated HTML banner: each link the player taps there
// (no target, the top, a new window) leaves through the opener once, and the frame keeps its
// document, having fetched nothing of the advertiser's site.
TEST_F(OneTapEveryRoadWebKitTest, EachLinkTappedInAMediatedCreativesFrameLeavesOnce) {
    auto page = showBanner(mediatedBanner(*tools::adserver::frameCreative("links")));
    ASSERT_TRUE(page);
    ASSERT_TRUE(ads.waitWhileClockMoves(
        scope, [&] { return pageNumber(*page, "window.linksLoaded") == 1; }));
    ads.waitWhileClockMoves(
        scope, [] { return false; }, 0.5);
    const auto desktopBefore = desktop.opened().size();
    const long clicksBefore = clicksCounted();

    std::size_t taps = 0;
    for (const double x : {53.0, 160.0, 267.0}) {
        tap({x, 455});
        ++taps;
        ASSERT_TRUE(ads.waitWhileClockMoves(
            scope, [&] { return desktop.opened().size() - desktopBefore == taps; }))
            << "tap " << taps;
    }
    ads.waitWhileClockMoves(
        scope, [] { return false; }, 0.5);
    EXPECT_EQ(desktop.opened().size() - desktopBefore, 3u);
    EXPECT_EQ(clicksCounted() - clicksBefore, 3);
    EXPECT_EQ(ads.log().count(RequestKind::ClickTracking), 3u);
    EXPECT_EQ(ads.log().count(RequestKind::Landing), 0u);
    EXPECT_EQ(pageNumber(*page, "window.linksLoaded"), 1);
}

}  // namespace
}  // namespace ads
