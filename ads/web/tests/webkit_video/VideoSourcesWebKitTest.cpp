// What a page's "video" messages may cost the game, on real WebKit and GStreamer against our
// loopback ad server, with the library's rooms loaded as the program loads them: a preloaded
// interstitial nobody touched that names a new source 20 times a second (the game died of it
// within seconds, having fetched the video some 270 times), one that names a video of 4,096 x
// 4,096 at 60 frames a second (the game decoded it from its load to its close, on 1.6 cores),
// an honest ad that changes its source twice, a playlist of 20 short clips and a page that
// switches clips before they end. Needs a display (scripts/test runs it under xvfb-run) and
// the clips tools/media_clips makes.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>

#include "ads/Ads.h"
#include "ads/foundation/GADLog.h"
#include "ads/slot/GADInterstitial.h"
#include "ads/slot/GADSlot.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADAdViewVideoAdditions.h"
#include "ads/web/GADPageVideoBudget.h"
#include "ads/web/GADVideoPlayerGMSGHandler.h"
#include "ads/web/tests/webkit_video/VideoPageFixture.h"
#include "platform/base/LogSink.h"
#include "platform/services/gst/GstHttpSource.h"
#include "platform/services/gst/GstMediaPlayerBackend.h"
#include "platform/ui/Application.h"
#include "platform/web/WebView.h"

namespace ads {
namespace {

using platform::LogSink;
using tools::adserver::RequestKind;

constexpr const char* kUnit = "ca-movu-video-sources";

// A figure of this process's status, in kilobytes: "VmHWM:" (the most it has had resident,
// for the record) or "VmRSS:".
long statusKilobytes(const std::string& name) {
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == name && status >> value) return value;
    }
    return 0;
}

class VideoSourcesWebKitTest : public testing::VideoPageFixture {
  protected:
    VideoSourcesWebKitTest() : VideoPageFixture(kUnit, "clip.webm") {}

    std::string clipUrl(const std::string& query) {
        return ads.server().url(tools::adserver::kMediaClipPath) + "?" + query;
    }
    std::size_t fetches() { return ads.log().count(RequestKind::Media); }
    // Lines of the log that start with `text`.
    static std::size_t linesStartingWith(const LogSink::Capture& log, const std::string& text) {
        GADLogFlush();
        const auto lines = log.lines();
        return std::size_t(std::count_if(lines.begin(), lines.end(),
                                         [&](const auto& line) { return line.starts_with(text); }));
    }
    // Whether the ad's page sent the player event `event` to the server.
    bool heard(const std::string& event) { return heardTimes(event) > 0; }
    std::size_t heardTimes(const std::string& event) {
        std::size_t times = 0;
        for (const auto& r : ads.log().of(RequestKind::CreativeEvent))
            times += r.param("video") == event;
        return times;
    }
    // The clip fetches whose address ends with `suffix`.
    std::size_t fetchesOf(const std::string& suffix) {
        std::size_t n = 0;
        for (const auto& r : ads.log().of(RequestKind::Media)) n += r.target.ends_with(suffix);
        return n;
    }
    std::shared_ptr<GADVideoPlayer> videoPlayerOf(const std::shared_ptr<GADInterstitial>& ad) {
        auto view = ad->slot()->adView();
        if (!view || !view->hasVideoAdditions()) return nullptr;
        return view->videoAdditions().videoPlayer();
    }
};

// 600 sources at 20 a second, each loaded or played, a "new" every ten: within what a page may
// navigate (platform/web/NavigationBudget.h), though past what it may send as messages
// (PageMessages.h), which refuses the rest of them. Before, the game died within 7-19 s, having
// fetched the video 267-273 times in 20 s; with a budget of sources, it fetched 7-8. Now an ad
// nobody sees fetches none: its player is held until it shows. The page gets its budget's
// switches, its refusals spend its log budget, and nothing is fetched once the ad is gone.
TEST_F(VideoSourcesWebKitTest, AnUntouchedAdFloodingVideoSourcesGetsItsBudgetAndNothingOnceGone) {
    LogSink::Capture log;
    auto hostile = loadPage(
        "<script>var n = 0; var t = setInterval(function () {"
        " if (n % 10 == 0) send('gmsg://movuroute/video?action=new&x=0&y=0&w=320&h=180');"
        " send('gmsg://movuroute/video?action=src&src=' + encodeURIComponent('" +
        clipUrl("n=") +
        "' + n));"
        " send('gmsg://movuroute/video?action=' + (n % 2 ? 'play' : 'load'));"
        " if (++n >= 600) clearInterval(t);"
        "}, 50);</script>");
    ASSERT_EQ(hostileDelegate->log, (Log{"received"}));
    const auto sent = [&] {
        return hostile->slot()->adView()->webView()->stringByEvaluatingJavaScriptFromString(
            "String(n >= 600)", 1);
    };
    ASSERT_TRUE(waitFor([&] { return sent() == "true"; }, 90)) << serverLog();
    // What the game was still to hear of them.
    waitFor([] { return false; }, 1);
    EXPECT_EQ(hostileDelegate->log, (Log{"received"}));
    EXPECT_FALSE(log.contains("it was ended"));

    const std::size_t fetched = fetches();
    RecordProperty("fetches", std::to_string(fetched));
    RecordProperty("peak resident kB", std::to_string(statusKilobytes("VmHWM:")));
    EXPECT_EQ(fetched, 0u);
    EXPECT_GE(linesStartingWith(log, GADVideoPlayerGMSGHandler::kVideoActionRefusedText), 1u);
    EXPECT_LE(linesStartingWith(log, GADVideoPlayerGMSGHandler::kVideoActionRefusedText),
              platform::web::WebView::kPageLogLines);
    EXPECT_EQ(linesStartingWith(log, platform::web::WebView::kPageLogDroppedLine), 1u);

    // The ad goes: its player and every pipeline with it, and nothing more is fetched.
    hostile.reset();
    interstitials.clear();
    EXPECT_TRUE(waitFor([] { return platform::services::gstHttpSourcesAlive() == 0; }, 10));
    const std::size_t atTheEnd = fetches();
    waitFor([] { return false; }, 3);
    EXPECT_EQ(fetches(), atTheEnd);
    expectTheNextAdShows();
}

// An honest creative names a source, changes its mind at once, then again a moment later, and
// plays the last: its player loads and plays that one, and the page hears it.
TEST_F(VideoSourcesWebKitTest, AnHonestAdThatChangesItsSourceTwicePlaysTheLastOne) {
    LogSink::Capture log;
    auto ad = loadPage("<script>" +
                       videoScript("if (p.event === 'canplaythrough') video('action=play');") +
                       "video('action=new&x=0&y=0&w=320&h=180');"
                       "video('action=src&src=' + encodeURIComponent('" +
                       clipUrl("first") +
                       "'));"
                       "video('action=src&src=' + encodeURIComponent('" +
                       clipUrl("second") +
                       "'));"
                       "setTimeout(function () { video('action=src&src=' + encodeURIComponent('" +
                       clipUrl("third") + "')); }, 300);</script>");
    ASSERT_EQ(hostileDelegate->log, (Log{"received"}));
    show(ad);
    const auto fetchedTheLast = [&] {
        for (const auto& r : ads.log().of(RequestKind::Media)) {
            if (r.target.ends_with("?third")) return true;
        }
        return false;
    };
    // The last source fetched, ready and playing: its time runs.
    ASSERT_TRUE(waitFor([&] {
        auto player = videoPlayerOf(ad);
        return fetchedTheLast() && player && player->sourceURL() &&
               player->sourceURL()->absoluteString() == clipUrl("third") &&
               player->player()->status() == platform::services::MediaPlayerStatus::ReadyToPlay &&
               player->player()->currentTime() > 0.2;
    })) << serverLog();
    EXPECT_TRUE(heard("canplaythrough"));
    EXPECT_TRUE(heard("play"));
    EXPECT_FALSE(heard("error"));
    EXPECT_EQ(linesStartingWith(log, GADVideoPlayerGMSGHandler::kVideoActionRefusedText), 0u);
}

// A preloaded interstitial nobody touched names a video of 4,096 x 4,096 at 60 frames a second
// at once and plays it in a loop. Before, the game decoded it from the ad's load to its close,
// on 1.6 cores and 430 MB more. Now nothing of it is fetched until the ad shows (no source, no
// pipeline, the process within 50 MB of where it was), and once shown the player refuses it
// by its caps, before a decoder is set up: the page hears "error" and never "canplaythrough".
// After the close nothing of it is left and the next ad shows. (The game's CPU time and
// resident size are measured on the game by bench_game_video_ad.)
TEST_F(VideoSourcesWebKitTest, AFastLargeVideoOfAnUnshownInterstitialIsHeldThenRefusedOnceShown) {
    std::string clip = ads::testing::mediaClip("fast-large.webm");
    ASSERT_FALSE(clip.empty());
    ads.server().setMediaClip(std::move(clip));
    const long start = statusKilobytes("VmRSS:");
    auto ad = loadHostile(tools::adserver::Hostility::VideoLoop);
    ASSERT_EQ(hostileDelegate->log, (Log{"received"}));
    const long before = statusKilobytes("VmRSS:");
    // The page made its player and named the source; a few seconds go by unshown.
    ASSERT_TRUE(waitFor([&] {
        auto player = videoPlayerOf(ad);
        return player && player->sourceURL().has_value();
    }));
    waitFor([] { return false; }, 3);
    EXPECT_EQ(fetches(), 0u);
    EXPECT_EQ(platform::services::gstHttpSourcesAlive(), 0u);
    EXPECT_TRUE(videoPlayerOf(ad)->player()->isHeld());
    const long unshown = statusKilobytes("VmRSS:");
    RecordProperty("resident growth until shown kB", std::to_string(unshown - before));
    EXPECT_LT(unshown - before, 50 * 1024);

    show(ad);
    ASSERT_TRUE(waitFor([&] { return heard("error"); })) << serverLog();
    EXPECT_GE(fetches(), 1u);
    EXPECT_FALSE(heard("canplaythrough"));
    EXPECT_FALSE(videoPlayerOf(ad)->player()->isHeld());
    EXPECT_EQ(videoPlayerOf(ad)->player()->status(), platform::services::MediaPlayerStatus::Failed);

    // Closed and let go, as the game lets go of a closed interstitial: its player and the
    // pipeline with it are gone. (The resident size after the close is the game's to measure,
    // in bench_game_video_ad: this build's allocator keeps what is freed for a while.)
    closeWithOurButton();
    const std::weak_ptr<platform::services::MediaPlayer> player = videoPlayerOf(ad)->player();
    ad.reset();
    interstitials.clear();
    EXPECT_TRUE(waitFor([&] { return player.expired(); }, 10));
    EXPECT_EQ(platform::services::gstHttpSourcesAlive(), 0u);
    RecordProperty("resident growth after the close kB",
                   std::to_string(statusKilobytes("VmRSS:") - start));
    expectTheNextAdShows();
}

// A playlist of 20 clips of 0.4 s, each played to its end and the next named on "ended": all
// 20 are fetched and play to their ends, with no error and no refusal. Before, the 9th and
// 10th of such a playlist were refused with a log line only, and the page's next "play"
// replayed the end of the 8th.
TEST_F(VideoSourcesWebKitTest, APlaylistOfTwentyShortClipsPlayedToTheirEndsPlaysEveryOne) {
    std::string clip = ads::testing::mediaClip("short.webm");
    ASSERT_FALSE(clip.empty());
    ads.server().setMediaClip(std::move(clip));
    LogSink::Capture log;
    auto ad = loadPage(
        "<script>function video(q) { send('gmsg://movuroute/video?' + q); }"
        "var n = 0;"
        "function next() { video('action=src&src=' + encodeURIComponent('" +
        clipUrl("clip=") +
        "' + n)); n++; }"
        "function RADE_ReceiveMessage(name, p) {"
        " if (name !== 'onVideoEvent' || p.event === 'timeupdate') return;"
        " new Image().src = '" +
        ads.server().url("/mads/creative_event") +
        "?video=' + p.event + '&n=' + n;"
        " if (p.event === 'canplaythrough') video('action=play');"
        " if (p.event === 'ended' && n < 20) { next(); video('action=play'); } }"
        "video('action=new&x=0&y=0&w=320&h=180'); next();"
        "</script>");
    ASSERT_EQ(hostileDelegate->log, (Log{"received"}));
    show(ad);
    ASSERT_TRUE(waitFor([&] { return heardTimes("ended") >= 20 || heard("error"); }, 60))
        << serverLog();
    EXPECT_FALSE(heard("error")) << serverLog();
    EXPECT_EQ(heardTimes("ended"), 20u);
    for (int n = 0; n < 20; ++n) EXPECT_GE(fetchesOf("clip=" + std::to_string(n)), 1u) << n;
    EXPECT_EQ(linesStartingWith(log, GADVideoPlayerGMSGHandler::kVideoActionRefusedText), 0u);
}

// A shown ad names a clip of 2 s and another every 0.2 s, each cut short by the next: the 9th
// switch is refused, the page hears "error", and its "play" plays nothing: the item it would
// have replaced went with the refusal, so no "ended" or picture comes of it.
TEST_F(VideoSourcesWebKitTest, ANinthSwitchOfAnUnfinishedItemIsAnErrorThePageHears) {
    LogSink::Capture log;
    auto ad = loadPage(
        "<script>function video(q) { send('gmsg://movuroute/video?' + q); }"
        "var n = 0;"
        "function RADE_ReceiveMessage(name, p) {"
        " if (name !== 'onVideoEvent' || p.event === 'timeupdate') return;"
        " new Image().src = '" +
        ads.server().url("/mads/creative_event") +
        "?video=' + p.event + '&n=' + n; }"
        "video('action=new&x=0&y=0&w=320&h=180');"
        "var t = setInterval(function () {"
        " video('action=src&src=' + encodeURIComponent('" +
        clipUrl("switch=") +
        "' + n));"
        " if (++n == 10) { clearInterval(t); setTimeout(function () {"
        "  video('action=play'); send('gmsg://movuroute/switchesDone'); }, 300); } }, 200);"
        "</script>");
    int done = 0;
    const auto observation = platform::NotificationCenter::defaultCenter().observe(
        "switchesDone", nullptr, [&](const platform::Notification&) { ++done; });
    ASSERT_EQ(hostileDelegate->log, (Log{"received"}));
    show(ad);
    ASSERT_TRUE(waitFor([&] { return done > 0; }, 60)) << serverLog();
    ASSERT_TRUE(waitFor([&] { return heard("error"); })) << serverLog();
    // A moment for anything of an old item to come.
    waitFor([] { return false; }, 3);
    EXPECT_EQ(heardTimes("error"), 1u);
    for (const auto& r : ads.log().of(RequestKind::CreativeEvent)) {
        if (r.param("video") == "error") {
            EXPECT_EQ(r.param("n"), "10");
        }
    }
    EXPECT_FALSE(heard("ended"));
    EXPECT_EQ(fetchesOf("switch=9"), 0u);
    auto player = videoPlayerOf(ad);
    ASSERT_TRUE(player);
    EXPECT_FALSE(player->player()->hasItem());
    EXPECT_EQ(linesStartingWith(log, GADVideoPlayerGMSGHandler::kVideoActionRefusedText), 1u);
}

}  // namespace
}  // namespace ads
