#include <gtest/gtest.h>

#include <array>

#include "platform/gfx/GLES1.h"
#include "platform/gfx/HeadlessContext.h"
#include "platform/gfx/RecordingGL.h"
#include "platform/runtime/MainLoopTestScope.h"
#include "platform/ui/Compositor.h"
#include "platform/ui/PixelContentView.h"
#include "platform/ui/Window.h"

using namespace platform::ui;
using platform::gfx::Image;

namespace {

// Premultiplied pixels of one colour.
Image solid(int w, int h, std::array<std::uint8_t, 4> rgba) {
    Image img = Image::blank(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.setPixel(x, y, rgba[0], rgba[1], rgba[2], rgba[3]);
    img.setPremultiplied(true);
    return img;
}

class PixelContentViewTest : public ::testing::Test {
  protected:
    platform::MainLoopTestScope loop;
    std::shared_ptr<Window> window = Window::create({0, 0, 320, 480});
    std::shared_ptr<PixelContentView> view = PixelContentView::create({0, 0, 160, 240});
};

}  // namespace

TEST_F(PixelContentViewTest, UploadsPixelsOnlyWhenTheFrameChanged) {
    platform::gfx::RecordingGL recorder;
    platform::gfx::ScopedGL scoped(recorder);
    Compositor compositor;
    window->addSubview(view);
    auto uploadsOf = [&](int w, int h) {
        int n = 0;
        for (auto& call : recorder.callsNamed("glTexSubImage2D"))
            n += call.args.at(4) == w && call.args.at(5) == h;
        return n;
    };

    compositor.drawFrame(*window, 320, 480);
    EXPECT_EQ(uploadsOf(4, 4), 0);  // nothing to show yet
    view->setContent(solid(4, 4, {255, 0, 0, 255}));
    compositor.drawFrame(*window, 320, 480);
    compositor.drawFrame(*window, 320, 480);
    EXPECT_EQ(uploadsOf(4, 4), 1);

    view->updateContent([](Image& img) { img.setPixel(0, 0, 0, 0, 255, 255); });
    compositor.drawFrame(*window, 320, 480);
    compositor.drawFrame(*window, 320, 480);
    EXPECT_EQ(uploadsOf(4, 4), 2);
    auto last = recorder.callsNamed("glTexSubImage2D").back();
    EXPECT_EQ((std::array<int, 4>{last.pixels[0], last.pixels[1], last.pixels[2], last.pixels[3]}),
              (std::array<int, 4>{0, 0, 255, 255}));

    // A new size is a new texture; the old one is deleted, and so is the last once the view
    // is gone.
    std::size_t textures = compositor.cachedTextureCount();
    view->setContent(solid(8, 2, {0, 255, 0, 255}));
    compositor.drawFrame(*window, 320, 480);
    EXPECT_EQ(uploadsOf(8, 2), 1);
    EXPECT_EQ(compositor.cachedTextureCount(), textures);
    view->removeFromSuperview();
    compositor.drawFrame(*window, 320, 480);
    EXPECT_EQ(compositor.cachedTextureCount(), textures - 1);

    // Pixels cut short by an in-place change are not read past their end.
    window->addSubview(view);
    view->updateContent([](Image& img) { img.rgba().resize(3); });
    compositor.drawFrame(*window, 320, 480);
    EXPECT_EQ(uploadsOf(8, 2), 1);
}

TEST_F(PixelContentViewTest, ShowsItsFrameStretchedOverItsBounds) {
    std::string error;
    auto context = platform::gfx::HeadlessContext::create(320, 480, &error);
    ASSERT_NE(context, nullptr) << error;
    Compositor compositor;
    window->setBackgroundColor({0, 0, 1, 1});
    window->addSubview(view);
    auto pixel = [&](int x, int y) {
        compositor.drawFrame(*window, 320, 480);
        auto img = context->readPixels();
        auto* p = img.pixel(x, y);
        return std::array<int, 3>{p[0], p[1], p[2]};
    };

    view->setContent(solid(2, 2, {255, 0, 0, 255}));
    EXPECT_EQ(pixel(80, 120), (std::array<int, 3>{255, 0, 0}));
    EXPECT_EQ(pixel(200, 120), (std::array<int, 3>{0, 0, 255}));  // outside the bounds
    // Half-transparent white, premultiplied: half over the blue behind.
    view->setContent(solid(2, 2, {128, 128, 128, 128}));
    auto mixed = pixel(80, 120);
    EXPECT_NEAR(mixed[0], 128, 2);
    EXPECT_NEAR(mixed[2], 255, 2);
}
