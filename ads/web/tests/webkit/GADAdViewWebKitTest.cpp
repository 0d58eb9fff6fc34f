// An ad page on real WebKit, in a window drawn by our compositor: its script and a tap send gmsg
// messages that reach the handlers in the order sent, and an event native code sends changes the
// page. Leaves two pictures in <build>/screenshots/: the window with the ad before and after the
// event repainted it. Needs a display: scripts/test runs these under xvfb-run (with
// MOVU_REQUIRE_DISPLAY, so a missing display fails instead of skipping).

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "ads/testsupport/AdsTestScope.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADAdViewDelegate.h"
#include "platform/gfx/HeadlessContext.h"
#include "platform/testing/RequireDisplay.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/ui/Compositor.h"
#include "platform/ui/TouchInput.h"
#include "platform/ui/Window.h"
#include "platform/web/WebView.h"

namespace ads {
namespace {

using platform::Url;
using platform::Value;

// Every message it knows goes into one list, in the order the actions ran.
class RecordingHandler : public GADGMSGHandler {
  public:
    explicit RecordingHandler(std::vector<std::string>& seen) : seen_(seen) {}
    const GADGMSGActionTable* actionBlockDictionary() const override {
        static const GADGMSGActionTable table{
            {"step", action(&RecordingHandler::record)},
            {"clicked", action(&RecordingHandler::record)},
        };
        return &table;
    }
    void record(const GADGMSGActionInfo& info) {
        seen_.push_back(info.note->name() + ":" + info.note->parameter("n").value_or("-") +
                        (info.adView ? "" : " (no view)"));
    }

  private:
    std::vector<std::string>& seen_;
};

class PageDelegate : public GADAdViewDelegate {
  public:
    explicit PageDelegate(std::vector<std::string>& seen) : GADAdViewDelegate(Private{}) {
        addGMSGHandler(std::make_shared<RecordingHandler>(seen));
    }
    void adViewDidFinishLoad(const std::shared_ptr<GADAdView>& view) override {
        GADAdViewDelegate::adViewDidFinishLoad(view);
        ++finished;
    }
    int finished = 0;
};

// The ad's page: five messages from its script as it loads, each through a hidden frame of its
// own (one navigation cannot cancel another), a link that sends one more, and the function that
// takes native code's events.
const char* kAdPage = R"(<!DOCTYPE html>
<html><head><style>
  html, body { margin: 0; height: 100%; background: rgb(0, 0, 255); }
  a { display: block; width: 100px; height: 40px; }
</style><script>
  function send(url) {
    var frame = document.createElement('iframe');
    frame.style.display = 'none';
    frame.src = url;
    document.documentElement.appendChild(frame);
  }
  for (var i = 1; i <= 5; ++i) send('gmsg://movuroute/step?n=' + i);
  window.events = [];
  function RADE_ReceiveMessage(name, params) {
    window.events.push(name);
    if (name === 'paint') document.body.style.background = params.color;
  }
</script></head>
<body><a id="link" href="gmsg://movuroute/clicked?n=6"></a></body></html>)";

class GADAdViewWebKitTest : public ::testing::Test {
  protected:
    void SetUp() override {
        MOVU_SKIP_WITHOUT_DISPLAY();
        std::string error;
        context = platform::gfx::HeadlessContext::create(320, 480, &error);
        ASSERT_NE(context, nullptr) << error;
        window->setBackgroundColor(platform::Color::whiteColor());
    }
    void TearDown() override {
        if (view) view->removeFromSuperview();
        view.reset();
        scope.runUntilIdle();
    }
    bool waitFor(const std::function<bool()>& condition) {
        return platform::testing::runMainLoopUntil(condition, 20);
    }
    bool paintedAt(int x, int y, std::uint32_t rgba) {
        return waitFor([&] {
            const auto& frame = view->webView()->paintedFrame();
            return !frame.empty() && frame.pixel(x, y) == rgba;
        });
    }
    platform::gfx::Image drawAndSave(const std::string& name) {
        // WebKit may have made a GL context of its own current on this thread meanwhile.
        EXPECT_TRUE(context->makeCurrent());
        compositor.drawFrame(*window, 320, 480);
        platform::gfx::Image frame = context->readPixels();
        std::filesystem::create_directories(MOVU_BINARY_DIR "/screenshots");
        frame.savePng(MOVU_BINARY_DIR "/screenshots/" + name + ".png");
        return frame;
    }
    static bool near(const std::uint8_t* p, int r, int g, int b) {
        return std::abs(p[0] - r) <= 3 && std::abs(p[1] - g) <= 3 && std::abs(p[2] - b) <= 3;
    }

    ads::testing::AdsTestScope scope;
    std::unique_ptr<platform::gfx::HeadlessContext> context;
    platform::ui::Compositor compositor;
    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create({0, 0, 320, 480});
    std::vector<std::string> seen;
    std::shared_ptr<PageDelegate> delegate = std::make_shared<PageDelegate>(seen);
    std::shared_ptr<GADAdView> view;
};

TEST_F(GADAdViewWebKitTest, ScriptAndTapMessagesArriveInOrderAndEventsChangeThePage) {
    view = GADAdView::create({0, 100, 320, 50});
    window->addSubview(view);
    view->setDelegate(delegate);
    view->loadHTMLString(kAdPage, Url::parse("https://ads.movuroute.invalid/mads/gma"));
    // Sent before the page has loaded: it waits for the page.
    view->dispatchSDKEvent("first", {});
    ASSERT_TRUE(waitFor([&] { return delegate->finished == 1 && seen.size() >= 5; }))
        << ::testing::PrintToString(seen);
    ASSERT_TRUE(paintedAt(200, 25, 0x0000ffffu));
    platform::gfx::Image before = drawAndSave("ad_view_before_event");
    EXPECT_TRUE(near(before.pixel(200, 125), 0, 0, 255));     // the ad
    EXPECT_TRUE(near(before.pixel(200, 50), 255, 255, 255));  // the window around it

    view->dispatchSDKEvent("paint", {{"color", Value("rgb(255, 0, 0)")}});
    ASSERT_TRUE(waitFor([&] {
        return view->stringByEvaluatingJavaScriptFromString("window.events.join(',')") ==
               "first,paint";
    }));
    EXPECT_EQ(view->webView()->stringByEvaluatingJavaScriptFromString(
                  "document.body.style.background", 10),
              "rgb(255, 0, 0)");
    ASSERT_TRUE(paintedAt(200, 25, 0xff0000ffu));
    platform::gfx::Image after = drawAndSave("ad_view_after_event");
    EXPECT_TRUE(near(after.pixel(200, 125), 255, 0, 0));

    // A tap in window points, as the frame loop delivers it, on the page's link.
    platform::ui::TouchInput touches(window);
    touches.touchDown(platform::ui::TouchInput::kMouseTouchId, {20, 120});
    touches.touchUp(platform::ui::TouchInput::kMouseTouchId, {20, 120});
    EXPECT_TRUE(view->touched());
    ASSERT_TRUE(waitFor([&] { return seen.size() == 6; })) << ::testing::PrintToString(seen);
    EXPECT_EQ(seen, (std::vector<std::string>{"step:1", "step:2", "step:3", "step:4", "step:5",
                                              "clicked:6"}));
    // The gmsg navigations never left the page.
    EXPECT_EQ(view->webView()->url()->absoluteString(), "https://ads.movuroute.invalid/mads/gma");
    // The orientation told after the load is what the page reads.
    EXPECT_EQ(view->webView()->stringByEvaluatingJavaScriptFromString("window.orientation", 10),
              "0");
}

}  // namespace
}  // namespace ads
