// A web page shown in our view tree and drawn by the compositor, under a display (see
// WebKitWebViewTest.cpp). Leaves two pictures in <build>/screenshots/: the page composited in a
// window before and after a click on it changed the page.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/gfx/HeadlessContext.h"
#include "platform/runtime/MainLoopTestScope.h"
#include "platform/testing/RequireDisplay.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/TestHttpServer.h"
#include "platform/ui/Compositor.h"
#include "platform/ui/TouchInput.h"
#include "platform/ui/Window.h"
#include "platform/web/RecordingWebViewDelegate.h"
#include "platform/web/WebContentView.h"
#include "platform/web/WebView.h"

using namespace platform;
using namespace platform::web;

namespace {

struct WebContentViewTest : ::testing::Test {
    MainLoopTestScope loop;
    platform::testing::TestHttpServer server;
    std::unique_ptr<gfx::HeadlessContext> context;
    ui::Compositor compositor;
    std::shared_ptr<ui::Window> window = ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<RecordingWebViewDelegate> delegate =
        std::make_shared<RecordingWebViewDelegate>();

    void SetUp() override {
        MOVU_SKIP_WITHOUT_DISPLAY();
        std::string error;
        context = gfx::HeadlessContext::create(320, 480, &error);
        ASSERT_NE(context, nullptr) << error;
        window->setBackgroundColor(Color::whiteColor());
    }

    gfx::Image drawAndSave(const std::string& name) {
        // WebKit may have made a GL context of its own current on this thread meanwhile.
        EXPECT_TRUE(context->makeCurrent());
        compositor.drawFrame(*window, 320, 480);
        gfx::Image frame = context->readPixels();
        std::filesystem::create_directories(MOVU_BINARY_DIR "/screenshots");
        frame.savePng(MOVU_BINARY_DIR "/screenshots/" + name + ".png");
        return frame;
    }
    static bool near(const std::uint8_t* p, int r, int g, int b) {
        return std::abs(p[0] - r) <= 3 && std::abs(p[1] - g) <= 3 && std::abs(p[2] - b) <= 3;
    }
    bool waitFor(const std::function<bool()>& condition) {
        return platform::testing::runMainLoopUntil(condition, 15);
    }
};

}  // namespace

TEST_F(WebContentViewTest, APageIsCompositedAndAClickOnTheViewFollowsItsLink) {
    server.text("/before.html",
                "<body style='margin:0;background:#c02020;font:20px sans-serif;color:white'>"
                "<a href='/after.html' style='display:block;height:200px;color:white'>"
                "Tap to open the offer</a></body>",
                200, "text/html");
    server.text("/after.html",
                "<body style='margin:0;background:#2040c0;font:20px sans-serif;color:white'>"
                "<p>Offer opened</p></body>",
                200, "text/html");
    auto web = WebView::create({300, 250});
    web->setDelegate(delegate);
    auto content = WebContentView::create({10, 100, 300, 250});
    content->setWebView(web);
    window->addSubview(content);
    web->loadRequest(*UrlRequest::withString(server.url("/before.html")));
    ASSERT_TRUE(waitFor([&] { return delegate->count("finish") == 1; }));
    ASSERT_TRUE(waitFor([&] {
        const auto& f = web->paintedFrame();
        return !f.empty() && f.pixel(150, 240) == 0xc02020ffu;
    }));
    gfx::Image before = drawAndSave("web_content_before");
    EXPECT_TRUE(near(before.pixel(160, 340), 0xc0, 0x20, 0x20));  // the page
    EXPECT_TRUE(near(before.pixel(5, 50), 255, 255, 255));        // the window around it

    // A tap in window points, as the frame loop delivers it, lands on the link.
    ui::TouchInput touches(window);
    touches.touchDown(ui::TouchInput::kMouseTouchId, {60, 120});
    touches.touchUp(ui::TouchInput::kMouseTouchId, {60, 120});
    ASSERT_TRUE(waitFor([&] { return delegate->count("finish") == 2; }));
    EXPECT_EQ(delegate->requests.back().url().absoluteString(), server.url("/after.html"));
    EXPECT_EQ(delegate->types.back(), NavigationType::LinkClicked);
    ASSERT_TRUE(waitFor([&] { return web->paintedFrame().pixel(150, 240) == 0x2040c0ffu; }));
    gfx::Image after = drawAndSave("web_content_after");
    EXPECT_TRUE(near(after.pixel(160, 340), 0x20, 0x40, 0xc0));
}
