#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <utility>

#include "platform/gfx/GLES1.h"
#include "platform/gfx/HeadlessContext.h"
#include "platform/gfx/Image.h"
#include "platform/gfx/TextRaster.h"
#include "platform/runtime/MainLoopTestScope.h"
#include "platform/ui/Compositor.h"
#include "platform/ui/GLView.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/Painter.h"
#include "platform/ui/PickerView.h"
#include "platform/ui/PixelContentView.h"
#include "platform/ui/Window.h"

using namespace platform::ui;
using platform::gfx::gl;

namespace {

// Fills its framebuffer with one colour through GL itself.
class SolidGLView : public GLView {
  public:
    using GLView::GLView;
    int renders = 0;
    void renderContent(int, int) override {
        ++renders;
        gl().glClearColor(1, 1, 0, 1);
        gl().glClear(GL_COLOR_BUFFER_BIT);
    }
};

// A class the toolkit does not know: red content, and a white bar over its subviews.
class OwnDrawing : public View {
  public:
    using View::View;
    float opacitySeen = -1;

  protected:
    void draw(Painter& p) override {
        opacitySeen = p.alpha();
        p.fillRect(bounds(), {1, 0, 0, 1});
    }
    void drawOverSubviews(Painter& p) override {
        p.fillRect({0, 40, bounds().size.width, 20}, Color::whiteColor());
    }
};

class CompositorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        context = platform::gfx::HeadlessContext::create(160, 240, &error);
        ASSERT_NE(context, nullptr) << error;
    }
    platform::gfx::Image draw() {
        compositor.drawFrame(*window, 160, 240);  // half scale: 2 points per pixel
        return context->readPixels();
    }
    static std::array<int, 3> rgb(const platform::gfx::Image& img, int x, int y) {
        auto* p = img.pixel(x, y);
        return {p[0], p[1], p[2]};
    }

    platform::MainLoopTestScope loop;
    std::unique_ptr<platform::gfx::HeadlessContext> context;
    Compositor compositor;
    std::shared_ptr<Window> window = Window::create({0, 0, 320, 480});
};

using RGB = std::array<int, 3>;

}  // namespace

TEST_F(CompositorTest, ColoursAlphaHiddenAndClipping) {
    window->setBackgroundColor({0, 0, 1, 1});
    auto red = View::create({0, 0, 100, 100});
    red->setBackgroundColor({1, 0, 0, 1});
    auto half = View::create({200, 0, 100, 100});
    half->setBackgroundColor({1, 1, 1, 1});
    half->setAlpha(0.5);
    auto hidden = View::create({0, 200, 100, 100});
    hidden->setBackgroundColor({0, 1, 0, 1});
    hidden->setHidden(true);
    auto clipper = View::create({100, 300, 50, 50});
    clipper->setClipsToBounds(true);
    auto big = View::create({0, 0, 200, 200});  // spills out of the clipper
    big->setBackgroundColor({0, 1, 0, 1});
    clipper->addSubview(big);
    for (auto& v : {red, half, hidden, clipper}) window->addSubview(v);

    auto img = draw();
    EXPECT_EQ(rgb(img, 10, 10), (RGB{255, 0, 0}));
    auto h = rgb(img, 120, 10);  // white at half over blue
    EXPECT_NEAR(h[0], 128, 2);
    EXPECT_NEAR(h[2], 255, 2);
    EXPECT_EQ(rgb(img, 10, 110), (RGB{0, 0, 255}));  // hidden view draws nothing
    EXPECT_EQ(rgb(img, 60, 160), (RGB{0, 255, 0}));  // inside the clip
    EXPECT_EQ(rgb(img, 90, 160), (RGB{0, 0, 255}));  // cut off at the clipper's edge
    EXPECT_EQ(rgb(img, 60, 190), (RGB{0, 0, 255}));
}

TEST_F(CompositorTest, ImagesTextAndGLViews) {
    window->setBackgroundColor({0, 0, 0, 1});
    auto pixels = std::make_shared<platform::gfx::Image>(platform::gfx::Image::blank(4, 4));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) pixels->setPixel(x, y, 0, 255, 0, 255);
    auto image = std::make_shared<Image>("green", Size{4, 4}, pixels);
    window->addSubview(ImageView::create(image, {0, 0, 40, 40}));

    auto label = Label::create({0, 100, 320, 60}, "MMMM");
    label->setFont({48, true});
    label->setTextColor(Color::whiteColor());
    label->setTextAlignment(TextAlignment::Center);
    window->addSubview(label);

    auto glView = std::make_shared<SolidGLView>(Rect{200, 300, 100, 100});
    window->addSubview(glView);

    auto img = draw();
    EXPECT_EQ(rgb(img, 10, 10), (RGB{0, 255, 0}));
    int ink = 0;
    for (int y = 50; y < 80; ++y)
        for (int x = 0; x < 160; ++x) ink += rgb(img, x, y)[0] > 128;
    EXPECT_GT(ink, 100);                         // the letters left white pixels
    EXPECT_EQ(rgb(img, 2, 55), (RGB{0, 0, 0}));  // but not at the far left
    EXPECT_EQ(rgb(img, 125, 175), (RGB{255, 255, 0}));
    EXPECT_EQ(rgb(img, 95, 175), (RGB{0, 0, 0}));
    EXPECT_EQ(glView->renders, 1);

    // Textures of views that went away are dropped with the next frame.
    std::size_t before = compositor.cachedTextureCount();
    label->removeFromSuperview();
    draw();
    EXPECT_LT(compositor.cachedTextureCount(), before);
}

TEST_F(CompositorTest, PicturesStretchedFarKeepTheirColourToTheirRightAndBottomEdges) {
    // Stored in textures of the next power of two up, whose rest is never smoothed into the
    // picture's last column and row, however far it is stretched.
    window->setBackgroundColor({0, 0, 1, 1});
    auto green = std::make_shared<platform::gfx::Image>(platform::gfx::Image::blank(3, 5));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 3; ++x) green->setPixel(x, y, 0, 255, 0, 255);
    window->addSubview(
        ImageView::create(std::make_shared<Image>("green", Size{3, 5}, green), {0, 0, 160, 240}));
    auto frame = PixelContentView::create({160, 240, 160, 240});
    auto red = platform::gfx::Image::blank(3, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 3; ++x) red.setPixel(x, y, 255, 0, 0, 255);
    red.setPremultiplied(true);
    frame->setContent(std::move(red));
    window->addSubview(frame);

    auto img = draw();
    for (auto [x, y] : {std::pair{79, 60}, {40, 119}, {79, 119}, {0, 0}})
        EXPECT_EQ(rgb(img, x, y), (RGB{0, 255, 0})) << x << "," << y;
    for (auto [x, y] : {std::pair{159, 180}, {120, 239}, {159, 239}, {80, 120}})
        EXPECT_EQ(rgb(img, x, y), (RGB{255, 0, 0})) << x << "," << y;
}

TEST_F(CompositorTest, APartOfAPictureIsStretchedOverItsRectangleAlone) {
    // Left half red, right half green; only the right half is drawn, over the left of the view.
    class HalfPicture : public View {
      public:
        using View::View;
        std::shared_ptr<platform::gfx::Image> picture =
            std::make_shared<platform::gfx::Image>(platform::gfx::Image::blank(4, 2));

      protected:
        void draw(Painter& p) override { p.drawImagePart(picture, {2, 0, 2, 2}, {0, 0, 100, 100}); }
    };
    window->setBackgroundColor({0, 0, 1, 1});
    auto view = std::make_shared<HalfPicture>(Rect{0, 0, 200, 100});
    for (int x = 0; x < 4; ++x)
        for (int y = 0; y < 2; ++y)
            view->picture->setPixel(x, y, x < 2 ? 255 : 0, x < 2 ? 0 : 255, 0, 255);
    window->addSubview(view);
    auto img = draw();
    // Two texels over 50 pixels: only the first quarter blends with the red beside the part.
    for (int x : {13, 25, 49}) EXPECT_EQ(rgb(img, x, 25), (RGB{0, 255, 0})) << x;
    EXPECT_EQ(rgb(img, 75, 25), (RGB{0, 0, 255}));  // beside the rectangle
}

TEST_F(CompositorTest, ScreenChangesCrossFadeFromTheLastFrame) {
    window->setBackgroundColor({1, 0, 0, 1});
    draw();
    window->setBackgroundColor({0, 0, 1, 1});
    window->beginTransition(AnimationTransition::CurlDown, 0.5);
    loop.advance(0.25);
    auto mid = rgb(draw(), 80, 120);
    EXPECT_NEAR(mid[0], 128, 4);
    EXPECT_NEAR(mid[2], 128, 4);
    loop.advance(0.1);
    auto later = rgb(draw(), 80, 120);
    EXPECT_LT(later[0], mid[0]);
    loop.advance(0.2);
    EXPECT_EQ(rgb(draw(), 80, 120), (RGB{0, 0, 255}));
    // A cut: no transition, no fade.
    window->setBackgroundColor({0, 1, 0, 1});
    EXPECT_EQ(rgb(draw(), 80, 120), (RGB{0, 255, 0}));
}

TEST_F(CompositorTest, HugeViewsAreClippedNotOverflowed) {
    window->setBackgroundColor({0, 0, 0, 1});
    auto huge = View::create({-1e9, -1e9, 4e9, 4e9});
    huge->setClipsToBounds(true);
    huge->setBackgroundColor({1, 1, 1, 1});
    auto label = Label::create({0, 0, 3e9, 3e9}, "far too big");
    huge->addSubview(label);
    auto gl = std::make_shared<SolidGLView>(Rect{0, 0, 1e7, 1e7});
    window->addSubview(huge);
    window->addSubview(gl);
    auto img = draw();
    EXPECT_EQ(rgb(img, 80, 120), (RGB{255, 255, 0}));
}

TEST_F(CompositorTest, ViewsOfAnyClassDrawThroughTheHook) {
    window->setBackgroundColor({0, 0, 0, 1});
    auto parent = View::create({0, 0, 320, 480});
    parent->setAlpha(0.5);
    auto own = std::make_shared<OwnDrawing>(Rect{0, 0, 100, 100});
    own->setBackgroundColor({0, 0, 1, 1});  // beneath the content
    auto child = View::create({0, 0, 50, 100});
    child->setBackgroundColor({0, 1, 0, 1});
    own->addSubview(child);
    parent->addSubview(own);
    window->addSubview(parent);

    auto img = draw();
    EXPECT_FLOAT_EQ(own->opacitySeen, 0.5f);
    // Each layer at half over the one before: blue background, red content, the green
    // subview, the white bar.
    auto near = [](RGB got, RGB want) {
        for (int i = 0; i < 3; ++i)
            if (std::abs(got[std::size_t(i)] - want[std::size_t(i)]) > 2) return false;
        return true;
    };
    EXPECT_TRUE(near(rgb(img, 37, 10), {128, 0, 64}));
    EXPECT_TRUE(near(rgb(img, 12, 10), {64, 128, 32}));
    EXPECT_TRUE(near(rgb(img, 12, 25), {160, 191, 144}));
    EXPECT_TRUE(near(rgb(img, 37, 25), {191, 128, 160}));
}

TEST(CompositorLetterbox, AWindowOfAnotherShapeShowsThePictureUnstretchedBetweenBars) {
    // Maximised on a wide screen: full height, bars left and right; tall: bars above and below.
    EXPECT_EQ(Compositor::letterbox({320, 480}, 1920, 1080), (Rect{600, 0, 720, 1080}));
    EXPECT_EQ(Compositor::letterbox({320, 480}, 320, 800), (Rect{0, 160, 320, 480}));
    EXPECT_EQ(Compositor::letterbox({320, 480}, 640, 960), (Rect{0, 0, 640, 960}));

    platform::MainLoopTestScope loop;
    std::string error;
    auto context = platform::gfx::HeadlessContext::create(240, 120, &error);
    ASSERT_NE(context, nullptr) << error;
    Compositor compositor;
    auto window = Window::create({0, 0, 320, 480});
    window->setBackgroundColor({1, 0, 0, 1});
    auto corner = View::create({0, 0, 160, 240});  // the top-left quarter of the picture
    corner->setBackgroundColor({0, 1, 0, 1});
    window->addSubview(corner);
    compositor.drawFrame(*window, 240, 120);
    auto img = context->readPixels();
    auto rgb = [&](int x, int y) {
        auto* p = img.pixel(x, y);
        return std::array<int, 3>{p[0], p[1], p[2]};
    };
    // The picture is 80 x 120 in the middle (80..160); bars are black.
    EXPECT_EQ(rgb(10, 60), (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(rgb(230, 60), (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(rgb(82, 2), (std::array<int, 3>{0, 255, 0}));
    EXPECT_EQ(rgb(118, 58), (std::array<int, 3>{0, 255, 0}));
    EXPECT_EQ(rgb(122, 58), (std::array<int, 3>{255, 0, 0}));
    EXPECT_EQ(rgb(158, 118), (std::array<int, 3>{255, 0, 0}));
}
TEST_F(CompositorTest, OneViewRendersOffscreenAsItWouldShowOnItsOwn) {
    // Where the view sits and how its ancestors turn it do not matter.
    auto holder = View::create({50, 50, 200, 200});
    holder->setTransform(platform::AffineTransform::rotation(0.5));
    holder->setAlpha(0.3);
    auto red = View::create({30, 40, 20, 10});
    red->setBackgroundColor({1, 0, 0, 1});
    auto veil = View::create({10, 0, 10, 10});
    veil->setBackgroundColor({1, 1, 1, 0.5f});
    red->addSubview(veil);
    holder->addSubview(red);
    window->addSubview(holder);
    auto before = draw();

    auto img = renderViewToImage(*red, 2);
    ASSERT_EQ(img.width(), 40);
    ASSERT_EQ(img.height(), 20);
    EXPECT_TRUE(img.isPremultiplied());
    auto rgba = [&](int x, int y) {
        auto* p = img.pixel(x, y);
        return std::array<int, 4>{p[0], p[1], p[2], p[3]};
    };
    EXPECT_EQ(rgba(5, 10), (std::array<int, 4>{255, 0, 0, 255}));
    auto blended = rgba(35, 10);  // white at half over red
    EXPECT_EQ(blended[0], 255);
    EXPECT_NEAR(blended[1], 128, 2);
    EXPECT_EQ(blended[3], 255);

    // Its own alpha counts, and what it leaves uncovered stays transparent.
    red->setAlpha(0.5);
    red->setBackgroundColor(Color::clear());
    img = renderViewToImage(*red, 1);
    auto veiled = rgba(15, 5);  // white at a quarter, premultiplied
    EXPECT_NEAR(veiled[0], 64, 2);
    EXPECT_NEAR(veiled[3], 64, 2);
    EXPECT_EQ(rgba(5, 5), (std::array<int, 4>{0, 0, 0, 0}));

    // Text edges carry partial alpha, never more colour than alpha.
    auto label = Label::create({0, 0, 120, 30}, "Ink");
    label->setTextColor(Color::whiteColor());
    img = renderViewToImage(*label, 1);
    int partial = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            auto p = rgba(x, y);
            EXPECT_LE(p[0], p[3]);
            partial += p[3] > 0 && p[3] < 255;
        }
    EXPECT_GT(partial, 0);

    // The window draws as before.
    red->setAlpha(1);
    red->setBackgroundColor({1, 0, 0, 1});
    auto after = draw();
    EXPECT_EQ(after.rgba(), before.rgba());
}

TEST_F(CompositorTest, OffscreenPicturesShowAGLViewsLastFrameWithoutResizingIt) {
    auto glView = std::make_shared<SolidGLView>(Rect{0, 0, 100, 100});
    window->addSubview(glView);
    draw();
    ASSERT_EQ(glView->renders, 1);
    auto* surface = glView->framebuffer().get();

    Compositor own;
    auto img = own.renderView(*glView, 3);
    ASSERT_EQ(img.width(), 300);
    EXPECT_EQ(img.pixel(150, 150)[0], 255);
    EXPECT_EQ(img.pixel(150, 150)[1], 255);
    EXPECT_EQ(img.pixel(150, 150)[3], 255);
    EXPECT_EQ(glView->renders, 1);
    EXPECT_EQ(glView->framebuffer().get(), surface);
    // Nothing to picture: no image.
    EXPECT_TRUE(renderViewToImage(*View::create(), 1).empty());
}

TEST_F(CompositorTest, AnUnchangedLabelIsNotLaidOutAgain) {
    std::string text;
    while (text.size() < 100000) text += "words of a message far longer than any screen ";
    auto label = Label::create({0, 0, 320, 480}, text);
    label->setNumberOfLines(0);
    window->addSubview(label);
    auto& raster = platform::gfx::TextRaster::shared();
    draw();
    auto shaped = raster.shapedCodePoints();
    draw();
    draw();
    EXPECT_EQ(raster.shapedCodePoints(), shaped);
    label->setText(text);  // the same text again
    draw();
    EXPECT_EQ(raster.shapedCodePoints(), shaped);
    label->setText("changed");
    draw();
    EXPECT_GT(raster.shapedCodePoints(), shaped);
}

namespace {
class ManyRows : public PickerViewDataSource, public PickerViewDelegate {
  public:
    int numberOfComponentsInPickerView(PickerView&) override { return 1; }
    int pickerViewNumberOfRowsInComponent(PickerView&, int) override { return 9; }
    std::string pickerViewTitleForRow(PickerView&, int, int) override { return "WWWWWWWW"; }
};
}  // namespace

TEST_F(CompositorTest, APickerKeepsItsRowsWithinItsBounds) {
    window->setBackgroundColor({0, 0, 1, 1});
    auto rows = std::make_shared<ManyRows>();
    auto picker = std::make_shared<PickerView>(Rect{0, 100, 320, 162});
    picker->setDataSource(rows);
    picker->setDelegate(rows);
    picker->selectRow(4, 0, false);
    window->addSubview(picker);
    auto img = draw();
    // Below the picker (from point 262, pixel 131 at half scale) only the window shows.
    for (int y = 132; y < 200; ++y)
        for (int x = 0; x < 160; x += 2)
            ASSERT_EQ(rgb(img, x, y), (RGB{0, 0, 255})) << x << "," << y;
    // Above it too.
    for (int y = 0; y < 49; ++y)
        for (int x = 0; x < 160; x += 2)
            ASSERT_EQ(rgb(img, x, y), (RGB{0, 0, 255})) << x << "," << y;
}
TEST_F(CompositorTest, RoundedCornersClipTheViewAndItsSubviews) {
    auto badge = View::create({0, 0, 40, 20});
    badge->setBackgroundColor({1, 0, 0, 1});
    auto inner = View::create({0, 0, 40, 20});
    inner->setBackgroundColor({0, 1, 0, 1});
    badge->addSubview(inner);
    auto alphaAt = [](const platform::gfx::Image& img, int x, int y) { return img.pixel(x, y)[3]; };

    // Square corners without a radius or without clipping.
    badge->setCornerRadius(3);
    auto img = renderViewToImage(*badge, 2);
    EXPECT_EQ(alphaAt(img, 0, 0), 255);

    // At 2 pixels per point the 3 points are 6 pixels: the corner pixels stay empty, on
    // every corner; the edges next to them and the middle are the subview's green.
    badge->setClipsToBounds(true);
    img = renderViewToImage(*badge, 2);
    ASSERT_EQ(img.width(), 80);
    for (auto [x, y] : {std::pair{0, 0}, {79, 0}, {0, 39}, {79, 39}, {1, 1}, {78, 38}})
        EXPECT_EQ(alphaAt(img, x, y), 0) << x << "," << y;
    for (auto [x, y] : {std::pair{2, 1}, {6, 0}, {0, 6}, {0, 20}, {40, 0}, {79, 20}, {40, 39}}) {
        auto* p = img.pixel(x, y);
        EXPECT_EQ((std::array<int, 4>{p[0], p[1], p[2], p[3]}),
                  (std::array<int, 4>{0, 255, 0, 255}))
            << x << "," << y;
    }

    // A radius larger than half the height makes round ends, never an inverted shape.
    badge->setCornerRadius(50);
    img = renderViewToImage(*badge, 1);
    EXPECT_EQ(alphaAt(img, 0, 0), 0);
    EXPECT_EQ(alphaAt(img, 20, 10), 255);
    EXPECT_EQ(alphaAt(img, 0, 10), 255);

    // Back to square corners.
    badge->setCornerRadius(-1);
    EXPECT_EQ(badge->cornerRadius(), 0);
    EXPECT_EQ(alphaAt(renderViewToImage(*badge, 1), 0, 0), 255);
}
