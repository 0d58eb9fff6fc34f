#include "app/appcore/AppCoreScreenSeams.h"

#include <gtest/gtest.h>

#include "AppCoreTestSupport.h"

using namespace app;
using namespace appcore_test;

using AppCoreScreenSeamsTest = AppCoreTest;

TEST_F(AppCoreScreenSeamsTest,
       ScreensReachTheSettingsAndScreensThroughTheirCollaboratorsNotTheCore) {
    auto core = TestAppCore::make();
    auto seams = core->screenSeams();
    ASSERT_EQ(seams, core->screenSeams()) << "one seam object for every screen";

    std::shared_ptr<SettingsToolCore> settingsFace = seams;
    settingsFace->setBgMusicMode(0);
    settingsFace->setContentsScaleIndexSetting(2);
    EXPECT_EQ(core->settings().bgMusicMode, 0);
    EXPECT_EQ(core->settings().contentsScaleIndexSetting, 2);

    std::shared_ptr<TitleViewCore> titleFace = seams;
    titleFace->setCurrentLevelId(7);
    EXPECT_EQ(core->settings().currentLevelId, 7);
    EXPECT_EQ(titleFace->currentLevelId(), 7);
    EXPECT_EQ(titleFace->window(), core->screens().window());
    EXPECT_EQ(titleFace->interfaceOrientation(), core->screens().orientation());

    std::shared_ptr<AboutToolCore> aboutFace = seams;
    EXPECT_EQ(aboutFace->appDisplayName(), core->appDisplayName());
    EXPECT_EQ(aboutFace->iphoneWebUrl(), core->iphoneWebUrl());
}

TEST_F(AppCoreScreenSeamsTest, AScreenThatOutlivesTheAppCoreGetsEmptyAnswers) {
    std::shared_ptr<AppCoreScreenSeams> seams;
    {
        auto core = TestAppCore::make();
        seams = core->screenSeams();
    }
    std::shared_ptr<GameOverViewCore> gameOver = seams;
    EXPECT_FALSE(gameOver->appContext());
    EXPECT_FALSE(gameOver->webJump(1, 0));
    gameOver->startGameView();  // nothing to start, nothing breaks
    std::shared_ptr<AboutToolCore> about = seams;
    EXPECT_TRUE(about->appDisplayName().empty());
    std::shared_ptr<SettingsToolCore> settings = seams;
    EXPECT_EQ(settings->neutralAccelerometerFor(platform::ui::OrientationPortrait).z, -1);
}
