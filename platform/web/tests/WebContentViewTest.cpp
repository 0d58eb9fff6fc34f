#include "platform/web/WebContentView.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>

#include "platform/gfx/HeadlessContext.h"
#include "platform/runtime/MainLoopTestScope.h"
#include "platform/ui/Compositor.h"
#include "platform/ui/TouchInput.h"
#include "platform/ui/Window.h"
#include "platform/web/FakeWebViewScope.h"
#include "platform/web/WebKeys.h"

using namespace platform;
using namespace platform::web;

namespace {

struct WebContentViewTest : ::testing::Test {
    MainLoopTestScope loop;
    FakeWebViewScope fakes;
    std::shared_ptr<ui::Window> window = ui::Window::create({0, 0, 320, 480});
    // A page of 200 x 100 points shown in a view twice as large: input scales down by two.
    std::shared_ptr<WebView> web = WebView::create({200, 100});
    std::shared_ptr<FakeWebPage> page = fakes.lastPage();
    std::shared_ptr<WebContentView> content = WebContentView::create({20, 40, 400, 200});

    void SetUp() override {
        content->setWebView(web);
        window->addSubview(content);
    }
};

WebSnapshot solid(int w, int h, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    WebSnapshot s{w, h, {}};
    for (int i = 0; i < w * h; ++i) s.rgba.insert(s.rgba.end(), {r, g, b, 255});
    return s;
}

}  // namespace

TEST_F(WebContentViewTest, TouchesBecomeMouseEventsInPagePointsAndKeysFollowTheLastClick) {
    ui::TouchInput touches(window);
    touches.touchDown(1, {120, 140});
    touches.touchMove(1, {140, 150});
    touches.touchUp(1, {140, 150});
    // A second finger while one is down is not a second mouse.
    touches.touchDown(2, {30, 50});
    touches.touchDown(3, {40, 60});
    touches.touchUp(3, {40, 60});
    touches.touchUp(2, {30, 50});
    std::vector<std::string> seen;
    for (const auto& e : page->mouseEvents()) {
        seen.push_back(std::to_string(static_cast<int>(e.type)) + "@" +
                       std::to_string(static_cast<int>(e.location.x)) + "," +
                       std::to_string(static_cast<int>(e.location.y)));
    }
    // Move, Down at (120-20)/2, (140-40)/2; a move; Up; then the second tap.
    EXPECT_THAT(seen, ::testing::ElementsAre("2@50,50", "0@50,50", "2@60,55", "1@60,55", "2@5,5",
                                             "0@5,5", "1@5,5"));

    EXPECT_TRUE(WebContentView::sendKey({true, 'x', 0}));
    ASSERT_EQ(page->keyEvents().size(), 1u);

    // Keys go to the view clicked last, and to none once it left the window.
    auto other = WebView::create({50, 50});
    auto otherPage = fakes.lastPage();
    auto second = WebContentView::create({0, 300, 50, 50});
    second->setWebView(other);
    window->addSubview(second);
    touches.touchDown(4, {10, 310});
    touches.touchUp(4, {10, 310});
    EXPECT_TRUE(WebContentView::sendKey({true, 'y', 0}));
    EXPECT_EQ(page->keyEvents().size(), 1u);
    EXPECT_EQ(otherPage->keyEvents().size(), 1u);
    second->removeFromSuperview();
    EXPECT_FALSE(WebContentView::sendKey({true, 'z', 0}));
}

TEST_F(WebContentViewTest, TheWheelScrollsThePageUnderThePointerOnly) {
    EXPECT_TRUE(WebContentView::scrollWheel(*window, {220, 140}, 0, 40));
    ASSERT_EQ(page->scrollEvents().size(), 1u);
    EXPECT_EQ(page->scrollEvents()[0].location, (Point{100, 50}));
    EXPECT_EQ(page->scrollEvents()[0].deltaY, 40);
    EXPECT_FALSE(WebContentView::scrollWheel(*window, {5, 5}, 0, 40));
    EXPECT_EQ(page->scrollEvents().size(), 1u);

    SDL_Event wheel{};
    wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.y = -1;  // towards the user: the page moves up
    EXPECT_TRUE(WebContentView::handleSdlEvent(*window, wheel, {220, 140}));
    EXPECT_EQ(page->scrollEvents().back().deltaY, 40);
}

TEST_F(WebContentViewTest, SdlKeysMapToKeysyms) {
    EXPECT_EQ(keysymForSdlKey(SDLK_a, 0), static_cast<unsigned>('a'));
    EXPECT_EQ(keysymForSdlKey(SDLK_a, keyModifiers(KMOD_LSHIFT)), static_cast<unsigned>('A'));
    EXPECT_EQ(keysymForSdlKey(SDLK_5, 0), static_cast<unsigned>('5'));
    EXPECT_EQ(keysymForSdlKey(SDLK_RETURN, 0), 0xff0du);
    EXPECT_EQ(keysymForSdlKey(SDLK_BACKSPACE, 0), 0xff08u);
    EXPECT_EQ(keysymForSdlKey(SDLK_LEFT, 0), 0xff51u);
    EXPECT_EQ(keysymForSdlKey(SDLK_F1, 0), 0u);
    EXPECT_EQ(keyModifiers(KMOD_LCTRL | KMOD_RALT), 12u);
}

TEST_F(WebContentViewTest, FramesAreUploadedOnlyWhenThePagePaintedAnew) {
    std::string error;
    auto context = gfx::HeadlessContext::create(320, 480, &error);
    ASSERT_NE(context, nullptr) << error;
    ui::Compositor compositor;
    page->setPaintedFrame(solid(200, 100, 0, 0, 255));
    compositor.drawFrame(*window, 320, 480);
    auto generation = content->contentGeneration();
    gfx::Image frame = context->readPixels();
    auto* p = frame.pixel(200, 140);
    EXPECT_EQ(p[0], 0);
    EXPECT_EQ(p[2], 255);
    compositor.drawFrame(*window, 320, 480);
    EXPECT_EQ(content->contentGeneration(), generation);

    page->setPaintedFrame(solid(200, 100, 0, 255, 0));
    compositor.drawFrame(*window, 320, 480);
    EXPECT_NE(content->contentGeneration(), generation);
    frame = context->readPixels();
    EXPECT_EQ(frame.pixel(200, 140)[1], 255);

    content->setWebView(nullptr);
    compositor.drawFrame(*window, 320, 480);
    EXPECT_TRUE(content->content().empty());
}

TEST_F(WebContentViewTest, AHeldPictureShowsUntilAFreshFrameOfTheViewsSizeOrItsTime) {
    std::string error;
    auto context = gfx::HeadlessContext::create(320, 480, &error);
    ASSERT_NE(context, nullptr) << error;
    ui::Compositor compositor;
    // The colour the window shows in the middle of the view.
    auto shown = [&] {
        compositor.drawFrame(*window, 320, 480);
        const gfx::Image frame = context->readPixels();
        const auto* p = frame.pixel(200, 140);
        return std::array<int, 3>{p[0], p[1], p[2]};
    };
    auto image = [](const WebSnapshot& s) {
        gfx::Image i(s.width, s.height, gfx::Image::ColorSpace::RGB, true, s.rgba);
        i.setPremultiplied(true);
        return i;
    };
    const std::array<int, 3> blue{0, 0, 255}, red{255, 0, 0}, green{0, 255, 0};
    page->setPaintedFrame(solid(200, 100, 0, 0, 255));
    EXPECT_EQ(shown(), blue);
    EXPECT_EQ(content->pagePicture().pixel(0, 0)[2], 255);

    const auto hold = content->holdFrame(image(solid(200, 100, 255, 0, 0)), 1.0);
    EXPECT_TRUE(content->isHoldingFrame());
    EXPECT_EQ(shown(), red);
    EXPECT_EQ(content->pagePicture().pixel(0, 0)[0], 255);
    // Painted before the page was told: the old layout, not shown.
    page->setPaintedFrame(solid(200, 100, 0, 255, 0));
    EXPECT_EQ(shown(), red);
    // Only the hold shown resumes: what the page was told before it says nothing.
    content->resumeAfterFreshFrame(hold - 1);
    EXPECT_EQ(page->freshFrameRequestCount(), 0u);
    content->resumeAfterFreshFrame(hold);
    EXPECT_EQ(page->freshFrameRequestCount(), 1u);
    EXPECT_EQ(shown(), red);
    // Painted since, but not yet at the view's size.
    page->setPaintedFrame(solid(200, 400, 0, 255, 0));
    EXPECT_EQ(shown(), red);
    page->setPaintedFrame(solid(200, 100, 0, 255, 0));
    EXPECT_EQ(shown(), green);
    EXPECT_FALSE(content->isHoldingFrame());
    page->setPaintedFrame(solid(200, 100, 0, 0, 255));
    EXPECT_EQ(shown(), blue);

    // A page that never paints is shown as it is once the hold's time is over, or once it
    // is another view's page; a view without a hold asks for no fresh frame.
    content->resumeAfterFreshFrame(content->holdFrame(image(solid(200, 100, 255, 0, 0)), 1.0));
    loop.advance(0.9);
    EXPECT_EQ(shown(), red);
    loop.advance(0.2);
    EXPECT_EQ(shown(), blue);
    content->holdFrame(image(solid(200, 100, 255, 0, 0)), 1.0);
    auto other = WebView::create({200, 100});
    fakes.lastPage()->setPaintedFrame(solid(200, 100, 0, 255, 0));
    content->setWebView(other);
    EXPECT_FALSE(content->isHoldingFrame());
    EXPECT_EQ(shown(), green);
    content->resumeAfterFreshFrame(content->hold());
    EXPECT_EQ(fakes.lastPage()->freshFrameRequestCount(), 0u);
}
