// The game view's frames on a real (software) GL: drawn into the view's own framebuffer object
// and shown by the compositor inside the letterbox.

#include <gtest/gtest.h>

#include "app/gameview/GameViewContainer.h"
#include "app/gameview/MyGameView.h"
#include "app/tests/GameViewTestHost.h"
#include "appbase/JTCanvas.h"
#include "platform/gfx/Framebuffer.h"
#include "platform/gfx/HeadlessContext.h"
#include "platform/runtime/MainLoopTestScope.h"
#include "platform/testing/PlatformStateScope.h"
#include "platform/ui/Application.h"
#include "platform/ui/Compositor.h"

namespace ui = platform::ui;

using namespace app;

using gameviewtest::Host;

namespace {

// Fills the canvas with one colour, a darker one after each tick, so a frame shows how far the
// loop got.
class FillScene : public gameviewtest::Scene {
  public:
    using Scene::Scene;
    void draw(const JTAppBase::JTCanvasPtr& canvas) override {
        Scene::draw(canvas);
        canvas->clear(ticks == 0 ? 0xFFFF0000u : 0xFF0000FFu);
    }
};

class GameViewRenderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        auto surface = platform::gfx::HeadlessContext::create(320, 568, &error);
        ASSERT_NE(surface, nullptr) << error;
        surface->makeCurrent();
        surface_ = std::shared_ptr<platform::gfx::HeadlessContext>(std::move(surface));
        host->glContext = surface_;
        host->screen = {320, 568};
        host->context = JTCore::JTNew<JTAppBase::JTAppContext>();
        host->windowView = platform::ui::Window::create({0, 0, 320, 568});
    }
    void TearDown() override {
        if (view && view->started()) view->stop();
        if (host->context) host->context->setGameView(nullptr);
        view.reset();
    }

    // The colour in the middle of a band of the composed window.
    std::array<int, 3> pixelAt(const platform::gfx::Image& image, int x, int y) {
        const auto* p = image.pixel(x, y);
        return {p[0], p[1], p[2]};
    }

    platform::MainLoopTestScope scope;
    std::shared_ptr<platform::gfx::HeadlessContext> surface_;
    // After the surface: the windows it puts back still hold GL objects of that surface.
    platform::testing::PlatformStateScope platformState;
    std::shared_ptr<Host> host = std::make_shared<Host>();
    std::shared_ptr<MyGameView> view;
};

TEST_F(GameViewRenderTest, FramesGoThroughTheViewsFramebufferIntoTheLetterbox) {
    view = MyGameView::create(host, ui::OrientationPortrait);
    host->context->setGameView(view);
    auto scene = JTCore::JTNew<FillScene>(host->context.get(), 30.0f);
    host->context->startGameScene(scene);
    view->start();
    ASSERT_TRUE(view->hasSurface());
    EXPECT_EQ(view->framesSwapped(), 1);  // the frame before the first tick

    platform::ui::Compositor compositor;
    compositor.drawFrame(*host->windowView, 320, 568);
    auto first = surface_->readPixels();
    // Black bars above and below, the scene's first frame between them.
    EXPECT_EQ(pixelAt(first, 160, 20), (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(pixelAt(first, 160, 300), (std::array<int, 3>{255, 0, 0}));
    EXPECT_EQ(pixelAt(first, 160, 550), (std::array<int, 3>{0, 0, 0}));

    // A firing draws the next frame into the same surface; the compositor shows it.
    scope.advance(view->timer()->interval());
    EXPECT_GE(scene->ticks, 1);
    EXPECT_EQ(view->framesSwapped(), 2);
    compositor.drawFrame(*host->windowView, 320, 568);
    auto second = surface_->readPixels();
    EXPECT_EQ(pixelAt(second, 160, 300), (std::array<int, 3>{0, 0, 255}));
    EXPECT_EQ(pixelAt(second, 160, 20), (std::array<int, 3>{0, 0, 0}));

    // Once the view has left the window the compositor no longer shows it.
    view->stop();
    compositor.drawFrame(*host->windowView, 320, 568);
    auto after = surface_->readPixels();
    EXPECT_NE(pixelAt(after, 160, 300), (std::array<int, 3>{0, 0, 255}));
}

}  // namespace
