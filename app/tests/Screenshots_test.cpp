// Draws the pause screen and the selection screen headless and writes them as PNG files to
// <build>/screenshots/, so a person can look at them; the checks make sure the main parts are
// where they belong.

#include <gtest/gtest.h>

#include <filesystem>

#include "FakeAppCore.h"
#include "app/screens/PauseView.h"
#include "app/screens/SimpleSelectView.h"
#include "app/testsupport/ScreenshotCamera.h"
#include "platform/runtime/MainLoopTestScope.h"
#include "platform/ui/InterfaceLoader.h"

using namespace app;

namespace {

class Levels : public SimpleSelectViewDelegate {
  public:
    std::vector<std::string> names{"Level: Normal", "Level: Obstacles", "Level: Night drive",
                                   "Level: Downloaded"};
    int itemsNum() override { return int(names.size()); }
    std::string itemLabelAt(int i) override { return names.at(std::size_t(i)); }
    std::optional<std::string> itemInfoTextAt(int i) override {
        if (i == 1)
            return std::string(
                "Obstacles block the road.\nUnlocked at 8000 points on "
                "Level: Normal.");
        return std::nullopt;
    }
    bool canBeDoneWithIndex(int, SimpleSelectView&) override { return true; }
    void didBeDoneWithIndex(int, SimpleSelectView&) override {}
    void startNextView() override {}
};

class Screenshots : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::ui::InterfaceLoader::setSearchDirectory(std::string(MOVU_SOURCE_DIR) +
                                                          "/assets/ui");
        ASSERT_TRUE(camera.isReady()) << cameraError;
        // The game stands behind the pause screen: a dark road on green.
        auto game = platform::ui::View::create({0, 0, 320, 480});
        game->setBackgroundColor({0.1f, 0.45f, 0.15f, 1});
        auto road = platform::ui::View::create({90, 0, 140, 480});
        road->setBackgroundColor({0.25f, 0.25f, 0.28f, 1});
        game->addSubview(road);
        core->window_->addSubview(game);
    }
    void TearDown() override { platform::ui::InterfaceLoader::setSearchDirectory({}); }

    platform::gfx::Image shoot(const std::string& name) {
        std::string error;
        auto image = camera.shoot(*core->window_, name, &error);
        EXPECT_EQ(error, "");
        return image;
    }
    static std::array<int, 3> rgb(const platform::gfx::Image& img, double xPt, double yPt) {
        return ScreenshotCamera::rgb(img, xPt, yPt);
    }

    platform::MainLoopTestScope loop;
    std::string cameraError;
    ScreenshotCamera camera{std::string(MOVU_BINARY_DIR) + "/screenshots", &cameraError};
    std::shared_ptr<FakeAppCore> core = std::make_shared<FakeAppCore>();
};

}  // namespace

TEST_F(Screenshots, PauseScreen) {
    auto pause = ViewControllerBase::make<PauseView>();
    pause->setAppCore(core);
    pause->setResumeBtnPos({288, 32});
    pause->startAsRootView();
    auto img = shoot("pause.png");
    auto resume = rgb(img, 288, 12);  // the yellow resume button over the pause button's place
    EXPECT_GT(resume[0], 200);
    EXPECT_GT(resume[1], 150);
    EXPECT_LT(resume[2], 60);
    auto sound = rgb(img, 60, 200);  // white rounded-rect sound button
    EXPECT_GT(sound[0], 200);
    auto dimmed = rgb(img, 10, 400);  // the game shows through, darkened
    EXPECT_GT(dimmed[1], 20);
    EXPECT_LT(dimmed[1], 80);
}

TEST_F(Screenshots, SelectionScreen) {
    auto select = ViewControllerBase::make<SimpleSelectView>();
    select->setAppCore(core);
    select->startWithDelegate(std::make_shared<Levels>(), "Select Level", 1);
    auto img = shoot("select.png");
    auto bar = rgb(img, 160, 5);  // navigation bar
    EXPECT_GT(bar[2], 120);
    auto band = rgb(img, 20, 44 + 108);  // the selected row's band in the picker's middle
    EXPECT_GT(band[2], 150);
    auto info = rgb(img, 300, 44 + 400);  // the info text view, shown for this row
    EXPECT_GT(info[0], 200);
}
