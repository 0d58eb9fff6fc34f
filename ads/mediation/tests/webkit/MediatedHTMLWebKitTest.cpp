// The built-in HTML adapter leading a banner's waterfall on real WebKit, with the loopback ad
// server's HTML creatives: one that draws shows in the banner (left in
// <build>/screenshots/mediated_html_banner.png for a person to look at); one that passes back,
// by its passback URL or by the "passback:" scheme, hands over to the next network without the
// navigation ever reaching the server; a blank one is looked at for 20.2 s and then left to the
// network time-out; a passback to the SDK's own network shows the fixture's banner of the unit
// the network names; a tap on the creative's link is one click of the banner (opened on the
// desktop, pinged once, the mediation click pinged) and leaves the creative where it is, while
// a link the page follows by itself opens nothing. The page's scripts run in real time, the
// rendered check and the time-outs on the test's manual clock. Needs a display: scripts/test
// runs these under xvfb-run.

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADStatisticDictionary.h"
#include "ads/mediation/GADMAdapterHTML.h"
#include "ads/mediation/tests/webkit/MediatedPublicAdsWebKitTest.h"
#include "ads/testsupport/DesktopRecorder.h"
#include "ads/testsupport/ScriptedAdapter.h"
#include "platform/testing/ScreenshotCamera.h"
#include "platform/ui/TouchInput.h"
#include "platform/web/WebContentView.h"
#include "platform/web/WebView.h"

namespace ads {
namespace {

using platform::testing::ScreenshotCamera;
using testing::ScriptedAdapter;
using tools::adserver::AdScenario;
using tools::adserver::PageAnswer;
using tools::adserver::RequestKind;
using tools::adserver::ScriptEnding;

class MediatedHTMLWebKitTest : public testing::MediatedPublicAdsWebKitTest {
  protected:
    static constexpr const char* kUnit = "ca-movu-mediated-html";
    // Longer than the rendered check's 101 looks, so only a blank page meets it.
    static constexpr int kNetworkTimeoutMillis = 30000;

    // A banner whose waterfall is the HTML adapter, ending as given, then a network that fills.
    void loadBanner(ScriptEnding ending) {
        MediatedPublicAdsWebKitTest::loadBanner(
            kUnit, AdScenario::mediation({GADMAdapterHTML::kClassName, next->name()},
                                         kNetworkTimeoutMillis)
                       .withColor("#2e7dd7")
                       .endingScriptWith(ending, 0.2));
    }
    // Lets the page run a moment in real time, then the rendered check look once; until the
    // app heard of the banner or `looks` looks have passed. Answers the looks taken.
    int look(int looks) {
        int taken = 0;
        while (taken < looks && heard->log.empty()) {
            ads.waitOnMainLoopUntil([&] { return !heard->log.empty(); }, 0.05);
            scope.advance(GADMAdapterHTML::kRenderingCheckInterval);
            ++taken;
        }
        scope.runUntilIdle();
        return taken;
    }

    // Photographs the window until the banner's bottom right corner shows the colour (pages
    // paint on their own time); the last picture stays under the name.
    void expectBannerShows(const std::string& name, std::array<int, 3> color) {
        std::string cameraError;
        ScreenshotCamera camera{std::string(MOVU_BINARY_DIR) + "/screenshots", &cameraError};
        ASSERT_TRUE(camera.isReady()) << cameraError;
        std::array<int, 3> seen{};
        auto near = [&] {
            for (int i = 0; i < 3; ++i) {
                if (std::abs(seen[i] - color[i]) > 3) return false;
            }
            return true;
        };
        ads.waitOnMainLoopUntil(
            [&] {
                std::string saveError;
                const auto shot = camera.shoot(*window, name, &saveError);
                EXPECT_TRUE(saveError.empty()) << saveError;
                seen = ScreenshotCamera::rgb(shot, 310, 475);
                return near();
            },
            5);
        EXPECT_TRUE(near()) << seen[0] << "," << seen[1] << "," << seen[2];
    }

    // The mediation pings of the server's own templates ("&ping=<name>") with that name.
    std::size_t mediationPings(const std::string& name) {
        std::size_t count = 0;
        for (const auto& ping : ads.log().of(RequestKind::MediationPing)) {
            if (ping.param("ping") == name) ++count;
        }
        return count;
    }

    std::unique_ptr<ScriptedAdapter::Registration> next =
        ScriptedAdapter::registerClass(ScriptedAdapter::Script{});
};

TEST_F(MediatedHTMLWebKitTest, ADrawingCreativeShowsInTheBanner) {
    loadBanner(ScriptEnding::Draw);
    look(100);
    ASSERT_EQ(heard->log, std::vector<std::string>{"received"});
    EXPECT_EQ(banner->adNetworkClassName(), GADMAdapterHTML::kClassName);
    EXPECT_TRUE(std::dynamic_pointer_cast<platform::web::WebContentView>(banner->mediatedAdView()));
    EXPECT_TRUE(next->record().calls.empty());

    expectBannerShows("mediated_html_banner.png", {0x2e, 0x7d, 0xd7});
}

TEST_F(MediatedHTMLWebKitTest, ATapOnTheCreativesLinkIsOneClickAndTheCreativeStays) {
    testing::DesktopRecorder desktop;
    // Fetched by the page, the mediation answer comes with click URLs of the banner's own.
    MediatedPublicAdsWebKitTest::loadBanner(
        kUnit,
        AdScenario::mediation({GADMAdapterHTML::kClassName, next->name()}, kNetworkTimeoutMillis)
            .withAnswer(PageAnswer::FetchedAd)
            .endingScriptWith(ScriptEnding::Draw, 0.2));
    look(100);
    ASSERT_EQ(heard->log, std::vector<std::string>{"received"});
    auto shown = std::dynamic_pointer_cast<platform::web::WebContentView>(banner->mediatedAdView());
    ASSERT_TRUE(shown);
    const auto page = shown->webView()->url();
    const auto clicksBefore =
        GADApplication::sharedInstance()->statistics()->objectForKey("pclick");

    platform::ui::TouchInput input{window};
    input.touchDown(1, {160, 455});
    input.touchUp(1, {160, 455});
    ASSERT_TRUE(waitFor([&] { return !desktop.opened().empty(); }));
    ASSERT_TRUE(waitFor([&] {
        return ads.log().count(RequestKind::ClickTracking) == 1 && mediationPings("click") == 1 &&
               mediationPings("network-click") == 1;
    }));
    // The link's click URL, once, with the click signal as the program's own banners send it.
    ASSERT_EQ(desktop.opened().size(), 1u);
    EXPECT_EQ(desktop.opened()[0].rfind(ads.origin() + "/aclk/ticket/", 0), 0u);
    EXPECT_NE(desktop.opened()[0].find("&ms="), std::string::npos);
    EXPECT_EQ(shown->webView()->url(), page);
    EXPECT_EQ(banner->mediatedAdView(), shown);
    EXPECT_EQ(ads.log().count(RequestKind::Click), 0u);
    EXPECT_EQ(ads.log().count(RequestKind::Landing), 0u);
    const auto clicks = GADApplication::sharedInstance()->statistics()->objectForKey("pclick");
    ASSERT_TRUE(clicks);
    EXPECT_EQ(clicks->integerValue() - (clicksBefore ? clicksBefore->integerValue() : 0), 1);
}

TEST_F(MediatedHTMLWebKitTest, ALinkThePageFollowsByItselfOpensNothing) {
    testing::DesktopRecorder desktop;
    // Draws, then follows its own link without anyone touching the ad.
    MediatedPublicAdsWebKitTest::loadBanner(
        kUnit,
        AdScenario::mediation({GADMAdapterHTML::kClassName, next->name()}, kNetworkTimeoutMillis)
            .withHtml("<body style='margin:0;background:#2e7dd7'>"
                      "<a id='go' href='" +
                      ads.origin() +
                      "/landing?by=script'>Go</a><script>setTimeout(function () {"
                      " document.getElementById('go').click(); window.movuClicked = 1; }, 300);"
                      "</script></body>"));
    look(100);
    ASSERT_EQ(heard->log, std::vector<std::string>{"received"});
    auto shown = std::dynamic_pointer_cast<platform::web::WebContentView>(banner->mediatedAdView());
    ASSERT_TRUE(shown);
    const auto page = shown->webView()->url();
    // The page's answer comes after what its click asked: once it says it clicked, the
    // navigation has been decided.
    ASSERT_TRUE(waitFor([&] {
        auto said = std::make_shared<std::optional<std::string>>();
        shown->webView()->evaluateJavaScript(
            "String(window.movuClicked || 0)",
            [said](const std::string& value, const std::optional<platform::Error>&) {
                *said = value;
            });
        ads.waitOnMainLoopUntil([&] { return said->has_value(); });
        return *said == "1";
    }));
    scope.runUntilIdle();
    EXPECT_TRUE(desktop.opened().empty());
    EXPECT_EQ(shown->webView()->url(), page);
    EXPECT_EQ(ads.log().count(RequestKind::Landing), 0u);
    EXPECT_EQ(mediationPings("click"), 0u);
}

TEST_F(MediatedHTMLWebKitTest, APassbackHandsOverToTheNextNetworkWithoutReachingTheServer) {
    for (ScriptEnding ending : {ScriptEnding::Passback, ScriptEnding::PassbackScheme}) {
        SCOPED_TRACE(int(ending));
        heard->log.clear();
        loadBanner(ending);
        look(100);
        ASSERT_EQ(heard->log, std::vector<std::string>{"received"});
        ASSERT_TRUE(next->record().last());
        EXPECT_EQ(banner->mediatedAdView(), next->record().last()->view());
        EXPECT_EQ(banner->adNetworkClassName(), next->name());
    }
    EXPECT_EQ(ads.log().count(RequestKind::Passback), 0u);
}

TEST_F(MediatedHTMLWebKitTest, APassbackFallsThroughToTheSDKsOwnNetworkAndTheFixturesAd) {
    constexpr const char* kInner = "ca-movu-mediated-html-inner";
    ads.server().setScenario(kInner, AdScenario::banner().withColor("#d7462e"));
    MediatedPublicAdsWebKitTest::loadBanner(
        kUnit, AdScenario::mediation({GADMAdapterHTML::kClassName, kGADOwnAdapterClassName},
                                     kNetworkTimeoutMillis)
                   .endingScriptWith(ScriptEnding::Passback, 0.2)
                   .withMediationPubId(kInner));
    look(20);
    ASSERT_TRUE(waitFor([&] { return !heard->log.empty(); }));
    EXPECT_EQ(heard->log, std::vector<std::string>{"received"});
    EXPECT_EQ(banner->adNetworkClassName(), kGADOwnAdapterClassName);
    auto inner = std::dynamic_pointer_cast<GADBannerView>(banner->mediatedAdView());
    ASSERT_TRUE(inner);
    EXPECT_EQ(inner->adUnitID(), kInner);
    EXPECT_EQ(ads.log().count(RequestKind::Passback), 0u);
    expectBannerShows("mediated_html_passback_banner.png", {0xd7, 0x46, 0x2e});
}

TEST_F(MediatedHTMLWebKitTest, ABlankCreativeIsLeftToTheNetworkTimeOut) {
    loadBanner(ScriptEnding::Never);
    EXPECT_EQ(look(int(GADMAdapterHTML::kMaxRenderingChecks)),
              int(GADMAdapterHTML::kMaxRenderingChecks));
    EXPECT_TRUE(heard->log.empty());
    EXPECT_TRUE(next->record().calls.empty());
    // The rest of the network's time, then the next network fills.
    scope.advance(kNetworkTimeoutMillis / 1000.0);
    ASSERT_TRUE(ads.waitOnMainLoopUntil([&] { return !heard->log.empty(); }, 10));
    EXPECT_EQ(heard->log, std::vector<std::string>{"received"});
    EXPECT_EQ(banner->mediatedAdView(), next->record().last()->view());
}

}  // namespace
}  // namespace ads
