// The tab bar as it is drawn: each item's picture above its title, the picture as a shape in
// the colour of the item's state, the selected item lit, and items without a picture showing
// their title alone.

#include <gtest/gtest.h>

#include <array>
#include <map>

#include "platform/gfx/HeadlessContext.h"
#include "platform/gfx/Image.h"
#include "platform/runtime/MainLoopTestScope.h"
#include "platform/ui/Compositor.h"
#include "platform/ui/Image.h"
#include "platform/ui/TabBarButton.h"
#include "platform/ui/TabBarController.h"
#include "platform/ui/Window.h"

using namespace platform::ui;

namespace {

using RGB = std::array<int, 3>;

// A red 20 x 20 point square in the middle of a transparent 30 x 30 picture: red on screen
// would mean the picture's own colours were drawn instead of its shape.
std::shared_ptr<const Image> squareIcon(const std::string& name) {
    auto pixels = platform::gfx::Image::blank(30, 30);
    for (int y = 5; y < 25; ++y)
        for (int x = 5; x < 25; ++x) pixels.setPixel(x, y, 255, 0, 0, 255);
    return std::make_shared<Image>(name, platform::Size{30, 30},
                                   std::make_shared<const platform::gfx::Image>(std::move(pixels)));
}

// The tab icons come from the controller; this one looks them up in the test's table.
class IconTabs : public TabBarController {
  public:
    explicit IconTabs(const std::map<std::string, std::shared_ptr<const Image>>& icons)
        : icons_(icons) {}
    ImagePtr interfaceImageNamed(const std::string& name) override {
        auto it = icons_.find(name);
        return it == icons_.end() ? nullptr : it->second;
    }

  private:
    const std::map<std::string, std::shared_ptr<const Image>>& icons_;
};

class TabBarDrawing : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        context = platform::gfx::HeadlessContext::create(320, 480, &error);
        ASSERT_NE(context, nullptr) << error;
    }

    std::shared_ptr<ViewController> tab(const std::string& title, const std::string& image) {
        auto vc = ViewController::create();
        vc->tabBarItem().title = title;
        vc->tabBarItem().imageName = image;
        return vc;
    }
    platform::gfx::Image draw() {
        compositor.drawFrame(*window, 320, 480);
        return context->readPixels();
    }
    static RGB rgb(const platform::gfx::Image& img, double x, double y) {
        auto* p = img.pixel(int(x), int(y));
        return {p[0], p[1], p[2]};
    }
    // The brightest pixel of a rectangle of points, by its smallest channel: white text shows
    // up, grey text less so, coloured shapes not at all.
    static int whitest(const platform::gfx::Image& img, platform::Rect r) {
        int best = 0;
        for (int y = int(r.minY()); y < int(r.maxY()); ++y)
            for (int x = int(r.minX()); x < int(r.maxX()); ++x) {
                auto c = rgb(img, x, y);
                best = std::max(best, std::min({c[0], c[1], c[2]}));
            }
        return best;
    }

    platform::MainLoopTestScope loop;
    std::unique_ptr<platform::gfx::HeadlessContext> context;
    Compositor compositor;
    std::shared_ptr<Window> window = Window::create({0, 0, 320, 480});
    std::map<std::string, std::shared_ptr<const Image>> icons = {
        {"square.png", squareIcon("square.png")}};
};

constexpr double kBarTop = 480 - TabBarController::kBarHeight;

}  // namespace

TEST_F(TabBarDrawing, PictureAboveTitleInTheColourOfTheItemsState) {
    auto tabs = std::make_shared<IconTabs>(icons);
    tabs->setViewControllers({tab("Scores", "square.png"), tab("Settings", "square.png")});
    window->setRootViewController(tabs);
    loop.runUntilIdle();

    auto selected = std::dynamic_pointer_cast<TabBarButton>(tabs->tabButton(0));
    ASSERT_TRUE(selected);
    ASSERT_TRUE(selected->hasImage());
    // The picture sits above the title and they do not overlap.
    EXPECT_EQ(selected->imageRect(), (platform::Rect{80 - 15, 4, 30, 30}));
    EXPECT_GE(selected->titleRect().minY(), selected->imageRect().maxY());
    EXPECT_LE(selected->titleRect().maxY(), TabBarController::kBarHeight);

    auto img = draw();
    const double iconMiddle = kBarTop + 4 + 15;
    // Selected: the square in the highlight blue, not in its own red.
    RGB lit = rgb(img, 80, iconMiddle);
    EXPECT_NEAR(lit[0], 64, 12);
    EXPECT_NEAR(lit[1], 166, 12);
    EXPECT_GT(lit[2], 240);
    // Unselected: the same square in grey.
    RGB dim = rgb(img, 240, iconMiddle);
    EXPECT_NEAR(dim[0], 153, 12);
    EXPECT_NEAR(dim[1], dim[0], 3);
    EXPECT_NEAR(dim[2], dim[0], 3);
    // The picture's transparent margin lets the bar show through: the selected item's lighter
    // field, the plain dark bar beside it.
    RGB field = rgb(img, 80 - 12, iconMiddle);
    RGB bar = rgb(img, 240 - 12, iconMiddle);
    EXPECT_LT(field[0], 80);
    EXPECT_GT(field[0], bar[0] + 15);
    EXPECT_NEAR(bar[0], 26, 4);

    // Titles below the pictures: white for the selected item, grey for the other, and the
    // title band holds no picture.
    platform::Rect titleBand{0, kBarTop + selected->titleRect().minY(), 160,
                             selected->titleRect().height()};
    EXPECT_GT(whitest(img, titleBand), 200);
    titleBand.origin.x = 160;
    int grey = whitest(img, titleBand);
    EXPECT_GT(grey, 100);
    EXPECT_LT(grey, 170);

    // Choosing the other tab swaps the looks.
    tabs->tabButton(1)->tap();
    loop.runUntilIdle();
    img = draw();
    EXPECT_NEAR(rgb(img, 80, iconMiddle)[0], 153, 12);
    EXPECT_GT(rgb(img, 240, iconMiddle)[2], 240);
    EXPECT_NEAR(rgb(img, 240, iconMiddle)[0], 64, 12);
}

TEST_F(TabBarDrawing, ItemsWithoutAPictureShowTheirTitleAloneAndBigPicturesAreFitted) {
    icons["wide.png"] = std::make_shared<Image>(
        "wide.png", platform::Size{60, 40},
        std::make_shared<const platform::gfx::Image>(platform::gfx::Image::blank(60, 40)));
    auto tabs = std::make_shared<IconTabs>(icons);
    // "missing.png" is a picture the provider does not know: the item shows its title only.
    tabs->setViewControllers(
        {tab("Plain", ""), tab("Missing", "missing.png"), tab("Wide", "wide.png")});
    window->setRootViewController(tabs);
    loop.runUntilIdle();

    auto plain = std::dynamic_pointer_cast<TabBarButton>(tabs->tabButton(0));
    auto missing = std::dynamic_pointer_cast<TabBarButton>(tabs->tabButton(1));
    auto wide = std::dynamic_pointer_cast<TabBarButton>(tabs->tabButton(2));
    ASSERT_TRUE(plain && missing && wide);
    EXPECT_FALSE(plain->hasImage());
    EXPECT_FALSE(missing->hasImage());
    EXPECT_EQ(plain->titleRect(), plain->bounds());
    EXPECT_TRUE(plain->imageRect().isEmpty());
    // A picture larger than the bar allows keeps its proportions, centred in the icon square.
    platform::Rect fitted = wide->imageRect();
    EXPECT_DOUBLE_EQ(fitted.width(), 30);
    EXPECT_DOUBLE_EQ(fitted.height(), 20);
    EXPECT_DOUBLE_EQ(fitted.midX(), wide->bounds().midX());
    EXPECT_DOUBLE_EQ(fitted.minY(), 4 + 5);

    auto img = draw();
    // The selected title alone sits in the middle of the bar, in the item's full font.
    double third = 320.0 / 3;
    EXPECT_GT(whitest(img, {0, kBarTop + 17, third, 15}), 200);
    EXPECT_GT(whitest(img, {third, kBarTop + 17, third, 15}), 100);
}
