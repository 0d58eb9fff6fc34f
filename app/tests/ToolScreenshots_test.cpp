// Draws the three tool tabs headless, as the app core builds them, and writes them as PNG files
// to <build>/screenshots/ (tools_scores.png, tools_settings.png, tools_about.png, and
// tools_settings_scale1.png) for a person to look at; the checks make sure the main parts are
// where they belong.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <utility>

#include "ToolScreensTestSupport.h"
#include "app/testsupport/ScreenshotCamera.h"
#include "platform/ui/Screen.h"
#include "scores/LevelScoreElem.h"
#include "scores/LevelScores.h"

namespace ui = platform::ui;

using namespace app;

using namespace tools_test;

namespace {

class ToolScreenshots : public ToolScreensTest {
  protected:
    platform::gfx::Image shoot(const std::string& name) {
        std::string error;
        auto image = camera.shoot(*core->window(), name, &error);
        EXPECT_EQ(error, "");
        return image;
    }
    static std::array<int, 3> rgb(const platform::gfx::Image& img, double xPt, double yPt) {
        return ScreenshotCamera::rgb(img, xPt, yPt);
    }
    // True when some pixel of the row of points is far brighter than the screen's blue.
    static bool brightInRow(const platform::gfx::Image& img, double x0, double x1, double y) {
        for (double x = x0; x < x1; x += 0.5) {
            auto c = rgb(img, x, y);
            if (c[0] > 180 && c[1] > 180) return true;
        }
        return false;
    }
    // Pixels of a square of points (in the tab bar's icon row, tab `index` of three) that are
    // drawn in the selected blue, and in the unselected grey.
    static std::pair<int, int> iconPixels(const platform::gfx::Image& img, int index) {
        int blue = 0, grey = 0;
        double x0 = (2 * index + 1) * 320.0 / 6 - 15, y0 = 480 - 49 + 4;
        for (double y = y0; y < y0 + 30; y += 0.5)
            for (double x = x0; x < x0 + 30; x += 0.5) {
                auto c = rgb(img, x, y);
                if (c[2] > 200 && c[0] < 120) ++blue;
                if (c[0] > 120 && std::abs(c[0] - c[2]) < 12 && std::abs(c[0] - c[1]) < 12) ++grey;
            }
        return {blue, grey};
    }
    std::shared_ptr<MyTabBarController> select(int index) {
        auto tools = core->currentOrientationDependedInfo().toolsView;
        tools->setSelectedIndex(index);
        loop.runUntilIdle();
        return tools;
    }

    std::string cameraError;
    ScreenshotCamera camera{std::string(MOVU_BINARY_DIR) + "/screenshots", &cameraError};
};

TEST_F(ToolScreenshots, ScoresSettingsAndAboutTabs) {
    ASSERT_TRUE(camera.isReady()) << cameraError;
    copyAsset("AboutMessage.txt");
    for (const char* icon : {"icon_scores.png", "icon_settings.png", "icon_question.png"})
        copyAsset(icon);
    auto scores =
        scores::LevelScores::create(core->levelInfoForId(kNamedLevel), core->scoreSigner());
    for (int32_t s : {640, 2150, 1380})
        scores->registerScore(scores::LevelScoreElem::create(s, platform::Date{1.79e9 + s}));
    ASSERT_TRUE(scores->save());
    platform::ui::Screen::mainScreen().setScale(2);
    core->setNeutralAcceleromterFor(ui::OrientationPortrait, 0.05, 0.02, -0.99);

    ASSERT_NE(openTools(), nullptr);
    auto img = shoot("tools_scores.png");
    EXPECT_GT(rgb(img, 160, 5)[2], 120);             // navigation bar
    EXPECT_TRUE(brightInRow(img, 90, 230, 22));      // its title, the level's name
    EXPECT_TRUE(brightInRow(img, 0, 320, 480 - 9));  // the tab bar's labels, below the icons
    // The tabs' icons: the selected one in blue, the others in grey.
    EXPECT_GT(iconPixels(img, 0).first, 200);
    EXPECT_EQ(iconPixels(img, 0).second, 0);
    for (int other : {1, 2}) {
        EXPECT_EQ(iconPixels(img, other).first, 0) << other;
        EXPECT_GT(iconPixels(img, other).second, 200) << other;
    }
    auto page = rgb(img, 5, 44 + 300);  // the tab's own dark blue
    EXPECT_LT(page[0], 60);
    EXPECT_GT(page[2], 60);
    EXPECT_TRUE(brightInRow(img, 20, 200, 44 + 46 + 23));  // newest score, white text
    EXPECT_GT(rgb(img, 290, 44 + 46 + 23)[0], 200);        // its submit button

    select(1);
    img = shoot("tools_settings.png");
    EXPECT_GT(iconPixels(img, 1).first, 200);  // the lit icon follows the selection
    EXPECT_EQ(iconPixels(img, 0).first, 0);
    EXPECT_GT(rgb(img, 30, 44 + 62)[0], 200);  // sound button
    // No music switch in this game, and no gap where it would be: the rows below move up.
    EXPECT_GT(rgb(img, 30, 44 + 144)[0], 200);  // calibrate button
    EXPECT_GT(rgb(img, 30, 44 + 226)[0], 200);  // resolution button, offered at scale 2
    EXPECT_LT(rgb(img, 250, 44 + 110)[0], 60);
    EXPECT_LT(rgb(img, 30, 44 + 270)[0], 60);  // below the last row, only the page

    select(2);
    img = shoot("tools_about.png");
    EXPECT_GT(rgb(img, 300, 44 + 200)[0], 200);  // the white text view
    EXPECT_GT(rgb(img, 65, 44 + 350)[0], 200);   // privacy button
}

TEST_F(ToolScreenshots, SettingsOnAScreenOfScaleOneEndWithTheTiltSection) {
    ASSERT_TRUE(camera.isReady()) << cameraError;
    copyAsset("icon_settings.png");
    platform::ui::Screen::mainScreen().setScale(1);
    ASSERT_NE(openTools(), nullptr);
    select(1);
    auto img = shoot("tools_settings_scale1.png");
    EXPECT_GT(rgb(img, 30, 44 + 144)[0], 200);  // calibrate button
    // No resolution choice at this scale, and no "Display" heading over nothing: below the
    // tilt section only the page's own blue.
    const auto page = rgb(img, 5, 44 + 300);
    int marked = 0;
    for (double y = 44 + 168; y < 44 + 300; y += 0.5)
        for (double x = 0; x < 320; x += 0.5)
            if (rgb(img, x, y) != page) ++marked;
    EXPECT_EQ(marked, 0);
}

}  // namespace
