// An ad page on real WebKit plays the test clip through GStreamer under its own content: the
// page's script makes the player, gives it the clip from the loopback server and plays it when
// it can play through; the page's HTML button stays drawn over the picture. Leaves
// <build>/screenshots/video_under_button.png. Needs a display (scripts/test runs it under
// xvfb-run) and the clips tools/media_clips makes.

#include <gtest/gtest.h>

#include <cstdlib>

#include "ads/testsupport/AdsTestScope.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADAdViewDelegate.h"
#include "ads/web/GADAdViewVideoAdditions.h"
#include "ads/web/GADVideoPlayerGMSGHandler.h"
#include "ads/web/tests/webkit_video/MediaClips.h"
#include "platform/services/gst/GstMediaPlayerBackend.h"
#include "platform/testing/RequireDisplay.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/ScreenshotCamera.h"
#include "platform/testing/TestHttpServer.h"
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"

namespace ads {
namespace {

using platform::Url;

class VideoPageDelegate : public GADAdViewDelegate {
  public:
    VideoPageDelegate() : GADAdViewDelegate(Private{}) {
        addGMSGHandler(GADVideoPlayerGMSGHandler::create());
    }
};

// A transparent page with a button in its top-left corner; its script drives the video and
// keeps every "onVideoEvent" it hears.
std::string page(const std::string& clip) {
    return R"(<!DOCTYPE html>
<html><head><style>
  html, body { margin: 0; height: 100%; background: transparent; }
  button { position: absolute; left: 0; top: 0; width: 80px; height: 40px; border: 0;
           background: rgb(255, 255, 0); }
</style><script>
  function send(query) {
    var frame = document.createElement('iframe');
    frame.style.display = 'none';
    frame.src = 'gmsg://movuroute/video?' + query;
    document.documentElement.appendChild(frame);
  }
  window.events = [];
  function RADE_ReceiveMessage(name, params) {
    if (name !== 'onVideoEvent') return;
    window.events.push(params.event);
    if (params.event === 'canplaythrough') {
      window.facts = params.duration + ' ' + params.videoWidth + 'x' + params.videoHeight;
      send('action=play');
    }
  }
  send('action=new&x=0&y=0&w=320&h=180');
  send('action=src&src=' + encodeURIComponent(')" +
           clip + R"('));
</script></head>
<body><button>Install</button></body></html>)";
}

class GADVideoWebKitTest : public ::testing::Test {
  protected:
    void SetUp() override {
        MOVU_SKIP_WITHOUT_DISPLAY();
        if (!platform::services::GstMediaPlayerBackend::available())
            GTEST_SKIP() << "GStreamer is missing";
        platform::services::GstMediaPlayerBackend::install();
        for (const char* name : {"clip.webm", "huge.webm"}) {
            const std::string bytes = ads::testing::mediaClip(name);
            ASSERT_FALSE(bytes.empty()) << name;
            server.get(std::string("/") + name,
                       [bytes](const httplib::Request&, httplib::Response& res) {
                           res.set_content(bytes, "video/webm");
                       });
        }
        ASSERT_TRUE(camera.isReady());
        window->setBackgroundColor(platform::Color::whiteColor());
        // The page's video plays only while its ad shows: in the key window of the active
        // application.
        window->makeKeyWindow();
        platform::ui::Application::shared().becomeActive();
    }
    void TearDown() override {
        if (view) view->removeFromSuperview();
        view.reset();
        scope.runUntilIdle();
        platform::services::MediaPlayer::setBackendFactory({});
    }
    std::string events() {
        return view->stringByEvaluatingJavaScriptFromString("window.events.join(',')");
    }
    ads::testing::AdsTestScope scope;
    platform::testing::TestHttpServer server;
    platform::testing::ScreenshotCamera camera{MOVU_BINARY_DIR "/screenshots"};
    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<VideoPageDelegate> delegate = std::make_shared<VideoPageDelegate>();
    std::shared_ptr<GADAdView> view;
};

TEST_F(GADVideoWebKitTest, TheClipPlaysUnderThePagesButtonAndThePageHearsItsEvents) {
    view = GADAdView::create({0, 100, 320, 180});
    window->addSubview(view);
    view->setDelegate(delegate);
    view->setOpaque(false);
    view->setBackgroundColor(platform::Color::fromRGBA8(0, 0, 0, 0));
    view->loadHTMLString(page(server.url("/clip.webm")),
                         Url::parse("https://ads.movuroute.invalid/mads/gma"));

    // Playing, with a picture under the page: photographed while the first colours show.
    ASSERT_TRUE(platform::testing::runMainLoopUntil(
        [&] {
            return view->hasVideoAdditions() && view->videoAdditions().videoPlayerView() &&
                   !view->videoAdditions().videoPlayerView()->shownFrame().empty() &&
                   events().find("play") != std::string::npos &&
                   // The page painted with its style: a slow machine may paint it bare first.
                   view->webView()->paintedFrame().pixel(20, 20) == 0xffff00ffu;
        },
        20))
        << events();
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("window.facts"), "2.000000 160x90");
    std::string saveError;
    const auto shot = camera.shoot(*window, "video_under_button.png", &saveError);
    EXPECT_EQ(saveError, "");
    const auto button = platform::testing::ScreenshotCamera::rgb(shot, 20, 120);
    EXPECT_GT(button[0], 200);
    EXPECT_GT(button[1], 200);
    EXPECT_LT(button[2], 60);
    // The picture fills the view; whichever quarter shows, one channel is full.
    const auto picture = platform::testing::ScreenshotCamera::rgb(shot, 200, 200);
    EXPECT_GT(std::max({picture[0], picture[1], picture[2]}), 200)
        << picture[0] << "," << picture[1] << "," << picture[2];

    ASSERT_TRUE(platform::testing::runMainLoopUntil(
        [&] { return events().find("ended") != std::string::npos; }, 20))
        << events();
    const std::string heard = events();
    EXPECT_EQ(heard.rfind("canplaythrough,play,timeupdate", 0), 0u) << heard;
    EXPECT_NE(heard.find("ended,pause"), std::string::npos) << heard;
}

// Two frames of 16,000 x 16,000 in 3 MB: the page hears "error", as for any video that
// fails, and nothing of the video shows (the player's tests check no picture of that size is
// decoded; bench/ads_hostile_pages measures the process).
TEST_F(GADVideoWebKitTest, AVideoBeyondTheLimitIsAnErrorToThePage) {
    view = GADAdView::create({0, 100, 320, 180});
    window->addSubview(view);
    view->setDelegate(delegate);
    view->loadHTMLString(page(server.url("/huge.webm")),
                         Url::parse("https://ads.movuroute.invalid/mads/gma"));
    ASSERT_TRUE(platform::testing::runMainLoopUntil(
        [&] { return events().find("error") != std::string::npos; }, 20))
        << events();
    EXPECT_EQ(events().find("canplaythrough"), std::string::npos) << events();
    ASSERT_TRUE(view->hasVideoAdditions());
    auto player = view->videoAdditions().videoPlayerView();
    EXPECT_TRUE(!player || player->shownFrame().empty());
}

}  // namespace
}  // namespace ads
