// What a page's "video" messages may cost the game, on real WebKit and GStreamer against our
// loopback ad server, with the library's rooms loaded as the program loads them: a preloaded
// interstitial nobody touched that names a new source 20 times a second (the game died of it
// within seconds, having fetched the video some 270 times), and an honest ad that changes its
// source twice. Needs a display (scripts/test runs it under xvfb-run) and the clips
// tools/media_clips makes.

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
#include "platform/web/WebView.h"

namespace ads {
namespace {

using platform::LogSink;
using tools::adserver::RequestKind;

constexpr const char* kUnit = "ca-movu-video-sources";

// The most memory this process has had resident (VmHWM), for the record.
long peakResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "VmHWM:" && status >> value) return value;
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
    std::shared_ptr<GADVideoPlayer> videoPlayerOf(const std::shared_ptr<GADInterstitial>& ad) {
        auto view = ad->slot()->adView();
        if (!view || !view->hasVideoAdditions()) return nullptr;
        return view->videoAdditions().videoPlayer();
    }
};

// 600 sources at 20 a second, each loaded or played, a "new" every ten: within what a page may
// navigate (platform/web/NavigationBudget.h), though past what it may send as messages
// (PageMessages.h), which refuses the rest of them. Before, the game died within 7-19 s, having
// fetched the video 267-273 times in 20 s. Now the page gets its budget's sources, its refusals
// spend its log budget, and nothing more is fetched once the ad is gone.
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
    RecordProperty("peak resident kB", std::to_string(peakResidentKilobytes()));
    EXPECT_GE(fetched, 1u);
    EXPECT_LE(fetched, GADPageVideoBudget::kMaxSourcesPerAd);
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
    const auto heard = [&](const std::string& event) {
        for (const auto& r : ads.log().of(RequestKind::CreativeEvent)) {
            if (r.param("video") == event) return true;
        }
        return false;
    };
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

}  // namespace
}  // namespace ads
