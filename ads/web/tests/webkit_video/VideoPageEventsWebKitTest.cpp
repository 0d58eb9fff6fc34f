// What an ad's page hears of its video, on real WebKit and GStreamer against our loopback ad
// server: a preloaded interstitial whose page makes its player, names the clip and plays it as
// it loads, long before anybody shows it. Video ads count a start on "play", so the page may
// hear "play" and "timeupdate" only once its video starts on screen. Needs a display
// (scripts/test runs it under xvfb-run) and the clips tools/media_clips makes.

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "ads/slot/GADInterstitial.h"
#include "ads/slot/GADSlot.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADAdViewVideoAdditions.h"
#include "ads/web/tests/webkit_video/VideoPageFixture.h"

namespace ads {
namespace {

using tools::adserver::RequestKind;
using Events = std::vector<std::string>;

constexpr const char* kUnit = "ca-movu-video-events";

// 8 s: it plays on for as long as the test looks, however slowly the machine turns.
class VideoPageEventsWebKitTest : public testing::VideoPageFixture {
  protected:
    VideoPageEventsWebKitTest() : VideoPageFixture(kUnit, "stream.webm") {}

    // A page that keeps, in order, "onshow" and every event of its video ("timeupdate" with
    // its time), and tells the ad server each video event.
    std::string recordingScript() {
        return "<script>var heard = [];"
               "function video(q) { send('gmsg://movuroute/video?' + q); }"
               "function RADE_ReceiveMessage(name, p) {"
               " if (name === 'onshow') heard.push(name);"
               " if (name !== 'onVideoEvent') return;"
               " heard.push(p.event === 'timeupdate' ? 'timeupdate ' + p.time : p.event);"
               " new Image().src = '" +
               ads.server().url("/mads/creative_event") +
               "?video=' + p.event + '&time=' + (p.time || ''); }";
    }
    // What the page heard so far. (Scripts run in the order they are sent, so this one runs
    // after every event the ad view sent before it.)
    Events heardByThePage(const std::shared_ptr<GADInterstitial>& ad) {
        std::istringstream text(
            ad->slot()->adView()->webView()->stringByEvaluatingJavaScriptFromString(
                "heard.join('\\n')", 10));
        Events events;
        for (std::string line; std::getline(text, line);) events.push_back(line);
        return events;
    }
    // The page told the server of a time update at `seconds` or later.
    bool heardTimeReach(double seconds) {
        const auto& events = ads.log().of(RequestKind::CreativeEvent);
        return std::any_of(events.begin(), events.end(), [&](const auto& r) {
            return r.param("video") == "timeupdate" && std::stod("0" + r.param("time")) >= seconds;
        });
    }
};

bool isPlayback(const std::string& event) {
    return event == "play" || event == "pause" || event.starts_with("timeupdate");
}

// Before, the page heard "play" and "timeupdate 0" as it loaded, seconds before "onshow", with
// nothing fetched: a start counted for an ad nobody saw. (With the player's events bound to
// its hold alone it heard them still before "onshow": the ad stands in the window while its
// screen comes up.) Now it hears nothing of its play until it is up; then "play", and time
// updates as the clip runs.
TEST_F(VideoPageEventsWebKitTest, APreloadedInterstitialsPageHearsPlayOnlyOnceItsVideoStartsShown) {
    auto ad = loadPage(recordingScript() +
                       "video('action=new&x=0&y=0&w=320&h=180');"
                       "video('action=src&src=' + encodeURIComponent('" +
                       ads.server().url(tools::adserver::kMediaClipPath) +
                       "'));"
                       "video('action=play');</script>");
    ASSERT_EQ(hostileDelegate->log, (Log{"received"}));
    // The page's "play" has reached its player; three seconds go by unshown.
    ASSERT_TRUE(waitFor([&] {
        auto view = ad->slot()->adView();
        auto video = view->hasVideoAdditions() ? view->videoAdditions().videoPlayer() : nullptr;
        return video && video->player()->hasItem() && video->player()->rate() != 0;
    })) << serverLog();
    scope.advance(3);
    const Events unshown = heardByThePage(ad);
    EXPECT_TRUE(std::none_of(unshown.begin(), unshown.end(), isPlayback))
        << ::testing::PrintToString(unshown);
    EXPECT_EQ(ads.log().count(RequestKind::Media), 0u);

    show(ad);
    ASSERT_TRUE(ads.waitWhileClockMoves(
        scope, [&] { return heardTimeReach(0.5); }, 60))
        << serverLog();
    const Events heard = heardByThePage(ad);
    SCOPED_TRACE(::testing::PrintToString(heard));
    const auto onshow = std::find(heard.begin(), heard.end(), "onshow");
    ASSERT_NE(onshow, heard.end());
    EXPECT_TRUE(std::none_of(heard.begin(), onshow, isPlayback));
    // After it: one "play", before any time update, and no "pause" of a clip that plays on.
    const auto play = std::find(onshow, heard.end(), "play");
    ASSERT_NE(play, heard.end());
    EXPECT_TRUE(std::none_of(onshow, play, isPlayback));
    EXPECT_EQ(std::count(heard.begin(), heard.end(), "play"), 1);
    EXPECT_EQ(std::count(heard.begin(), heard.end(), "pause"), 0);
    EXPECT_GE(std::count_if(play, heard.end(),
                            [](const std::string& e) { return e.starts_with("timeupdate"); }),
              2);
    EXPECT_GE(ads.log().count(RequestKind::Media), 1u);
}

}  // namespace
}  // namespace ads
