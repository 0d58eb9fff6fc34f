// Ads whose pictures, tiles and links are documents in frames of their page, touched, on real
// WebKit against our loopback ad server: what a frame loads by itself stays in the frame
// whatever the touch, while a link the player follows is the click, in a frame or not. A
// carousel banner shows its next pictures after a tap on one of them, an expandable adds its 80
// tiles at the tap that expanded it; neither opens anything for them nor pings a click, and a
// tapped link still opens once. A banner whose creative sits in a frame opens each link the
// player taps there once, its frame as it was; frames whose documents are made in place run,
// touched or not, and reach nobody. Needs a display: scripts/test runs these under xvfb-run.

#include <gtest/gtest.h>

#include <string>

#include "platform/base/LogSink.h"

#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADStatisticDictionary.h"
#include "ads/fullscreen/GADBrowserViewController.h"
#include "ads/slot/tests/webkit/MRAIDWebKitTestBase.h"
#include "platform/base/NumberText.h"
#include "platform/ui/TouchInput.h"
#include "tools/ad_server/FrameCreatives.h"

namespace ads {
namespace {

using tools::adserver::RequestKind;

class AdFramesWebKitTest : public testing::MRAIDWebKitTestBase {
  protected:
    static constexpr const char* kUnit = "ca-movu-frames";

    // What the creative's page says, asked with a second of patience.
    long pageNumber(const std::string& expression) {
        return platform::integerValue(adView()->webView()->stringByEvaluatingJavaScriptFromString(
            "String(" + expression + ")", 1));
    }
    // The frame documents that arrived in the page, and those it asked for.
    long shown() { return pageNumber("window.shown ? window.shown() : -1"); }
    long asked() { return pageNumber("window.asked"); }
    // Every frame the page asked for has loaded in it.
    bool allFramesShown() {
        const long wanted = asked();
        return wanted > 0 && shown() == wanted;
    }
    // The carousel's next picture, once the one before it has arrived (a picture asked for
    // before the last one came would take its place in the frame).
    bool showNextPicture() {
        if (!waitFor([&] { return allFramesShown(); }, 10)) return false;
        pageNumber("window.showNext()");
        return waitFor([&] { return allFramesShown(); }, 10);
    }
    static long clicksCounted() {
        const auto clicks = GADApplication::sharedInstance()->statistics()->objectForKey("pclick");
        return clicks ? clicks->integerValue() : 0;
    }
    // The in-app browser is up, over whatever else the ad put up.
    bool browserShown() const {
        for (auto shown = controller->presentedViewController(); shown;
             shown = shown->presentedViewController()) {
            if (std::dynamic_pointer_cast<GADBrowserViewController>(shown)) return true;
        }
        return false;
    }
    void tap(platform::Point point) {
        platform::ui::TouchInput input{window};
        input.touchDown(1, point);
        input.touchUp(1, point);
    }
    // Past the moment a tap right after a load is taken for a mistake.
    void letTheLoadSettle() {
        waitFor([] { return false; }, 0.5);
    }
    // What a run showed, for the test's record.
    void record(const char* name, long value) { RecordProperty(name, static_cast<int>(value)); }
};

TEST_F(AdFramesWebKitTest, ATouchedCarouselShowsEveryPictureInItsFrameAndItsLinkStillOpensOnce) {
    loadBannerOf(kUnit, "frames-carousel", 430);
    ASSERT_TRUE(waitFor([&] { return adView() && !adView()->isHidden() && shown() == 1; }));
    // The test moves the pictures on itself.
    pageNumber("clearInterval(window.carouselTimer)");
    letTheLoadSettle();
    const long clicksBefore = clicksCounted();

    // A tap on the picture, which is no link: the ad is touched, and its frame changes its
    // address twice after it.
    tap({260, 455});
    ASSERT_TRUE(adView()->touched());
    const bool loaded = showNextPicture() && showNextPicture();
    record("picturesAsked", asked());
    record("picturesShown", shown());
    record("openingsForPictures", static_cast<long>(opened.size()));
    record("clickPingsForPictures", static_cast<long>(ads.log().count(RequestKind::ClickTracking)));
    EXPECT_TRUE(loaded) << shown() << " of " << asked() << " pictures shown";
    EXPECT_EQ(asked(), 3);
    EXPECT_TRUE(opened.empty()) << opened.front();
    EXPECT_EQ(ads.log().count(RequestKind::ClickTracking), 0u);
    EXPECT_EQ(clicksCounted(), clicksBefore);

    // The link is the ad's own page's navigation: one opening and one click ping, and the page
    // asked for nothing of the advertiser's site itself.
    tap({100, 455});
    ASSERT_TRUE(waitFor(
        [&] { return !opened.empty() && ads.log().count(RequestKind::ClickTracking) == 1; }));
    EXPECT_EQ(opened.size(), 1u);
    EXPECT_NE(opened.front().find("/landing?from=carousel"), std::string::npos) << opened.front();
    EXPECT_EQ(clicksCounted(), clicksBefore + 1);
    EXPECT_EQ(ads.log().count(RequestKind::Landing), 0u);
    // The carousel goes on where it was.
    EXPECT_TRUE(showNextPicture()) << shown() << " of " << asked();
    EXPECT_EQ(asked(), 4);
    EXPECT_EQ(opened.size(), 1u);
    EXPECT_EQ(ads.log().count(RequestKind::ClickTracking), 1u);
}

TEST_F(AdFramesWebKitTest, AnExpandAtTheTouchLoadsEveryTileInItsFrameAndIsTheTouchsOneClick) {
    loadBannerOf(kUnit, "frames-tiles", 430);
    ASSERT_TRUE(waitFor([&] {
        return adView() && !adView()->isHidden() &&
               pageNumber("window.mraid && mraid.isViewable() ? 1 : 0") == 1;
    }));
    letTheLoadSettle();
    const long clicksBefore = clicksCounted();

    // The tap expands the ad (an opening within it, counted and pinged as the touch's click),
    // and the expanded ad adds its tiles.
    tap({160, 455});
    ASSERT_TRUE(waitFor([&] { return asked() == tools::adserver::kTiles; }));
    const bool loaded = waitFor([&] { return allFramesShown(); }, 15);
    // Any tile taken for a click would have been opened by now.
    waitFor([] { return false; }, 0.5);
    record("tilesShown", shown());
    record("openingsForTiles", static_cast<long>(opened.size()));
    record("clickPingsWithTheExpand",
           static_cast<long>(ads.log().count(RequestKind::ClickTracking)));
    EXPECT_TRUE(loaded) << shown() << " of " << asked() << " tiles shown";
    EXPECT_TRUE(opened.empty()) << opened.front();
    EXPECT_EQ(clicksCounted(), clicksBefore + 1);
    EXPECT_EQ(ads.log().count(RequestKind::ClickTracking), 1u);

    // A tap on the expanded ad's link still opens it once, in the in-app browser as an MRAID
    // ad's links open: the browser's page is the one that asks for the advertiser's site.
    tap({200, 15});
    ASSERT_TRUE(waitFor([&] {
        return browserShown() && ads.log().count(RequestKind::ClickTracking) == 2 &&
               ads.log().count(RequestKind::Landing) == 1;
    }));
    EXPECT_EQ(ads.log().of(RequestKind::Landing).front().param("from"), "tiles");
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(clicksCounted(), clicksBefore + 2);
    EXPECT_EQ(ads.log().count(RequestKind::FramePage), std::size_t(tools::adserver::kTiles));
}

// A network's creative sits in a frame filling the banner: a tap on each of its links (no
// target, the top, a new window) is one click, opened once and pinged once, and the frame keeps
// the document it showed, having asked nothing of the advertiser's site.
// Seen red: the link with no target loaded the advertiser's page inside the 320 x 50 banner,
// opening and counting nothing.
TEST_F(AdFramesWebKitTest, EachLinkTappedInTheCreativesFrameIsOneClickAndTheFrameStaysAsItWas) {
    loadBannerOf(kUnit, "frames-links", 430);
    ASSERT_TRUE(waitFor([&] {
        return adView() && !adView()->isHidden() && pageNumber("window.linksLoaded") == 1;
    }));
    letTheLoadSettle();
    const long clicksBefore = clicksCounted();

    const struct {
        const char* from;
        double x;
    } links[] = {{"frame-in", 53}, {"frame-top", 160}, {"frame-blank", 267}};
    std::size_t taps = 0;
    for (const auto& link : links) {
        SCOPED_TRACE(link.from);
        tap({link.x, 455});
        ++taps;
        ASSERT_TRUE(waitFor([&] {
            return opened.size() == taps && ads.log().count(RequestKind::ClickTracking) == taps;
        })) << opened.size()
            << " opened, " << ads.log().count(RequestKind::ClickTracking) << " click pings";
        EXPECT_NE(opened.back().find(std::string("/landing?from=") + link.from), std::string::npos)
            << opened.back();
    }
    // Anything else the taps set going would have arrived by now.
    waitFor([] { return false; }, 0.5);
    record("openings", static_cast<long>(opened.size()));
    record("clickPings", static_cast<long>(ads.log().count(RequestKind::ClickTracking)));
    EXPECT_EQ(opened.size(), 3u);
    EXPECT_EQ(ads.log().count(RequestKind::ClickTracking), 3u);
    EXPECT_EQ(clicksCounted(), clicksBefore + 3);
    EXPECT_EQ(ads.log().count(RequestKind::Landing), 0u);
    EXPECT_EQ(pageNumber("window.linksLoaded"), 1);
    EXPECT_EQ(adView()->webView()->stringByEvaluatingJavaScriptFromString("window.linksAt()", 1),
              tools::adserver::kLinksFramePath);
    EXPECT_EQ(ads.log().count(RequestKind::FramePage), 1u);
}

// Frames whose documents are made in place (srcdoc, about:blank written by the creative, data:,
// blob:) run them before any touch and after one alike, ask nothing of the network and reach
// no opener, so no click line is written and the touch's one opening is left to the player.
// Seen red: untouched, the data: and blob: frames went to the desktop as links to other
// programs ("cannot open data: links"); after the touch the srcdoc frame stayed empty too.
TEST_F(AdFramesWebKitTest, FramesMadeInPlaceRunTouchedOrNotAndReachNobody) {
    platform::LogSink::Capture log;
    loadBannerOf(kUnit, "frames-local", 430);
    ASSERT_TRUE(waitFor([&] { return adView() && !adView()->isHidden(); }));
    const auto allRan = [&] { return pageNumber("window.ranCount()") == 4; };
    EXPECT_TRUE(waitFor(allRan)) << pageNumber("window.ranCount()") << " of 4 ran untouched";
    letTheLoadSettle();
    const long clicksBefore = clicksCounted();
    const std::size_t requestsBefore = ads.log().all().size();

    tap({100, 455});
    ASSERT_TRUE(adView()->touched());
    adView()->webView()->stringByEvaluatingJavaScriptFromString("window.again(); 'again'", 1);
    EXPECT_TRUE(waitFor(allRan)) << pageNumber("window.ranCount()") << " of 4 ran after a touch";
    // Anything taken for a link out would have been opened by now.
    waitFor([] { return false; }, 0.5);
    record("ranAfterTouch", pageNumber("window.ranCount()"));
    EXPECT_TRUE(opened.empty()) << opened.front();
    EXPECT_EQ(clicksCounted(), clicksBefore);
    EXPECT_EQ(ads.log().count(RequestKind::ClickTracking), 0u);
    EXPECT_FALSE(log.contains("Ad click")) << ::testing::PrintToString(log.lines());
    // Nothing of them was fetched: whatever the server heard since was the SDK's own.
    for (std::size_t i = requestsBefore; i < ads.log().all().size(); ++i) {
        const auto request = ads.log().all()[i];
        EXPECT_NE(request.kind, RequestKind::Unknown) << request.target;
        EXPECT_NE(request.kind, RequestKind::Landing) << request.target;
    }
}

}  // namespace
}  // namespace ads
