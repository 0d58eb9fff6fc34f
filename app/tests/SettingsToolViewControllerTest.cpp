#include "app/screens/SettingsToolViewController.h"

#include <gtest/gtest.h>

#include <cmath>

#include "ToolScreensTestSupport.h"
#include "app/gameview/AccelerometerHelper.h"
#include "app/screens/SimpleSelectView.h"
#include "app/testsupport/AppCoreBaseTestAccess.h"
#include "platform/device/TiltScript.h"
#include "platform/storage/PropertyList.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Screen.h"

namespace ui = platform::ui;

using namespace app;

using namespace tools_test;

namespace {

using Settings = SettingsToolViewController;
using Rows = SettingsToolViewController_ContentsScaleIndexDelegate;

std::string title(const std::shared_ptr<platform::ui::Button>& b) {
    return b ? b->titleForState(platform::ui::ControlStateNormal) : "(none)";
}

class SettingsToolTest : public ToolScreensTest {
  protected:
    std::shared_ptr<MySettingsToolViewController> show() {
        return showTab<MySettingsToolViewController>(1);
    }
    // The accelerometer reads this posture from now on.
    void hold(double x, double y, double z) {
        std::string error;
        auto script = platform::TiltScript::fromSamples(
            std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(z), "posture",
            &error);
        ASSERT_NE(script, nullptr) << error;
        platform::Accelerometer::shared().setScript(script);
    }
    platform::Value savedSettings() {
        auto v = platform::PropertyList::readFile(settingsPath());
        return v ? *v : platform::Value();
    }
    NeutralAccelerometer& portrait() {
        return core->settings().neutralFor(ui::OrientationPortrait);
    }
};

TEST(NeutralAccelerometerString, FlatCalibrationShowsTheSidewaysComponentOfEachOrientation) {
    EXPECT_EQ(Settings::neutralAccelerometerString(1, ui::OrientationPortrait, 0.05, 0.2, -1),
              "+0.050");
    EXPECT_EQ(
        Settings::neutralAccelerometerString(1, ui::OrientationPortraitUpsideDown, 0.05, 0.2, -1),
        "-0.050");
    EXPECT_EQ(Settings::neutralAccelerometerString(1, ui::OrientationLandscapeRight, 0.05, 0.2, -1),
              "-0.200");
    EXPECT_EQ(Settings::neutralAccelerometerString(1, ui::OrientationLandscapeLeft, 0.05, 0.2, -1),
              "+0.200");
    // An orientation the app never uses reads as portrait.
    EXPECT_EQ(Settings::neutralAccelerometerString(1, ui::InterfaceOrientation(9), 0.05, 0.2, -1),
              "+0.050");
    EXPECT_EQ(Settings::neutralAccelerometerString(1, ui::OrientationPortrait, 0, 0, -1), "+0.000");
}

TEST(NeutralAccelerometerString, TiltedCalibrationShowsBothAnglesInWholeDegrees) {
    // The rule's own neutral vector for a tilt of 30.01 degrees toward the player.
    const double s = std::sin(0.5237733085234983), c = std::cos(0.5237733085234983);
    EXPECT_EQ(Settings::neutralAccelerometerString(2, ui::OrientationPortrait, 0, -s, -c),
              "+0,-30");
    EXPECT_EQ(Settings::neutralAccelerometerString(2, ui::OrientationPortraitUpsideDown, 0, -s, -c),
              "+0,+30");
    EXPECT_EQ(Settings::neutralAccelerometerString(2, ui::OrientationLandscapeRight, 0, -s, -c),
              "+30,+0");
    EXPECT_EQ(Settings::neutralAccelerometerString(2, ui::OrientationLandscapeLeft, 0, -s, -c),
              "-30,+0");
    // Cut toward zero, not rounded: -0.9 degrees shows as +0.
    EXPECT_EQ(Settings::neutralAccelerometerString(2, ui::OrientationPortrait, 0,
                                                   -std::sin(0.9 * M_PI / 180),
                                                   -std::cos(0.9 * M_PI / 180)),
              "+0,+0");
}

TEST(NeutralAccelerometerString, NoTiltOrUnknownTypeReadsNotAvailable) {
    EXPECT_EQ(Settings::neutralAccelerometerString(0, ui::OrientationPortrait, 0.05, 0, -1), "N/A");
    EXPECT_EQ(Settings::neutralAccelerometerString(3, ui::OrientationPortrait, 0.05, 0, -1), "N/A");
    EXPECT_EQ(Settings::neutralAccelerometerString(-1, ui::OrientationPortrait, 0.05, 0, -1),
              "N/A");
}

TEST(CalibrationPosture, ADeviceStandingOnItsEdgeIsRefused) {
    EXPECT_TRUE(Settings::calibrationPostureIsValid(ui::OrientationPortrait, 0, 0, -1));  // flat
    EXPECT_TRUE(Settings::calibrationPostureIsValid(ui::OrientationPortrait, 0, -1,
                                                    0));  // upright, facing the player
    EXPECT_FALSE(Settings::calibrationPostureIsValid(ui::OrientationPortrait, 1, 0,
                                                     0));  // on its right edge
    EXPECT_FALSE(Settings::calibrationPostureIsValid(ui::OrientationPortrait, -0.9, 0, -0.3));
    // Landscape turns the axes: the long edge down is what is refused there.
    EXPECT_TRUE(Settings::calibrationPostureIsValid(ui::OrientationLandscapeRight, 1, 0, 0));
    EXPECT_FALSE(Settings::calibrationPostureIsValid(ui::OrientationLandscapeRight, 0, -1, 0));
    // The limit is 45 degrees from upright.
    const double a44 = 44 * M_PI / 180, a46 = 46 * M_PI / 180;
    EXPECT_TRUE(Settings::calibrationPostureIsValid(ui::OrientationPortrait, std::sin(a44), 0,
                                                    -std::cos(a44)));
    EXPECT_FALSE(Settings::calibrationPostureIsValid(ui::OrientationPortrait, std::sin(a46), 0,
                                                     -std::cos(a46)));
    EXPECT_FALSE(Settings::calibrationPostureIsValid(ui::OrientationPortrait, std::nan(""), 0, -1));
}

TEST(ResolutionRows, FourRowsAndEveryOtherIndexReadsAsAutomatic) {
    Rows rows({});
    EXPECT_EQ(rows.itemsNum(), 4);
    EXPECT_EQ(rows.itemLabelAt(0), "Automatic");
    EXPECT_EQ(rows.itemLabelAt(1), "Low");
    EXPECT_EQ(rows.itemLabelAt(2), "Medium");
    EXPECT_EQ(rows.itemLabelAt(3), "High");
    EXPECT_EQ(rows.itemInfoTextAt(0), "Automatic (default)");
    EXPECT_EQ(rows.itemInfoTextAt(1), "Low Resolution (480x320).\nSame as non-Retina display");
    EXPECT_EQ(rows.itemInfoTextAt(2),
              "Medium Resolution (720x480).\nBetter perfomance than High resolution");
    EXPECT_EQ(rows.itemInfoTextAt(3),
              "High Resolution (960x640).\nRecommended for Retina display and iPad 2x mode");
    for (int odd : {-1, 4, 100, INT32_MIN}) {
        EXPECT_EQ(rows.itemLabelAt(odd), "Automatic") << odd;
        EXPECT_EQ(rows.itemInfoTextAt(odd), "Automatic (default)") << odd;
        EXPECT_EQ(Rows::rowOfIndex(odd), 0) << odd;
    }
    // Without its screen the rows still answer; a choice then changes nothing.
    auto select = ViewControllerBase::make<SimpleSelectView>();
    rows.didBeDoneWithIndex(2, *select);
    rows.startNextView();
}

TEST_F(SettingsToolTest, ButtonsShowTheSettingsAndHideWhatDoesNotApply) {
    core->setAccelerometerCalibrationType(1);
    portrait().x = 0.05;
    auto tab = show();
    ASSERT_NE(tab, nullptr);
    EXPECT_EQ(tab->navigationItem().title, "Settings");
    EXPECT_EQ(tab->tabBarItem().title, "Settings");
    EXPECT_EQ(tab->tabBarItem().imageName, "icon_settings.png");
    EXPECT_EQ(title(tab->soundBtn()), "SoundVolume: 2");
    EXPECT_EQ(title(tab->calibrateBtn()), "Calibrate Tilt Sensor: +0.050");
    EXPECT_FALSE(tab->calibrateBtn()->isHidden());
    // The game has no music: the switch and its label stay hidden, and the mode is kept.
    ASSERT_NE(tab->bgMusicSwitch(), nullptr);
    EXPECT_TRUE(tab->bgMusicSwitch()->isHidden());
    EXPECT_TRUE(tab->bgMusicLabel()->isHidden());
    tab->bgMusicSwitch()->setOn(false);
    tab->willSaveSettings();
    EXPECT_EQ(core->settings().bgMusicMode, 1);
    // Its row leaves no gap: the tilt section follows the sound button at the spacing the
    // sections keep between them (12 points above a section title).
    EXPECT_EQ(tab->calibrateBtn()->frame().minY(), 122);
    EXPECT_EQ(tab->resolutionBtn()->frame().minY(), 204);
    tab->updateView();  // a second look moves nothing further
    EXPECT_EQ(tab->calibrateBtn()->frame().minY(), 122);
    // A screen of scale 1 offers no resolution choice.
    EXPECT_TRUE(tab->resolutionBtn()->isHidden());

    core->setAccelerometerCalibrationType(0);
    platform::ui::Screen::mainScreen().setScale(2);
    tab->updateView();
    EXPECT_TRUE(tab->calibrateBtn()->isHidden());
    EXPECT_FALSE(tab->resolutionBtn()->isHidden());
    EXPECT_EQ(title(tab->resolutionBtn()), "Screen Resolution: Automatic");
    core->settings().contentsScaleIndexSetting = 3;
    tab->updateView();
    EXPECT_EQ(title(tab->resolutionBtn()), "Screen Resolution: High");
    core->settings().contentsScaleIndexSetting = 7;
    tab->updateView();
    EXPECT_EQ(title(tab->resolutionBtn()), "Screen Resolution: Automatic");
}

TEST_F(SettingsToolTest, ARowThatDoesNotApplyGoesWithItsHeadingAndLeavesNoBand) {
    // Scale 1 and no music: the display heading goes with its row, and the content ends where
    // the tilt section ends (with the 12 points the sections keep below them).
    core->setAccelerometerCalibrationType(1);
    auto tab = show();
    ASSERT_NE(tab, nullptr);
    ASSERT_NE(tab->displayLabel(), nullptr);
    ASSERT_NE(tab->tiltLabel(), nullptr);
    EXPECT_TRUE(tab->resolutionBtn()->isHidden());
    EXPECT_TRUE(tab->displayLabel()->isHidden());
    EXPECT_FALSE(tab->tiltLabel()->isHidden());
    EXPECT_EQ(tab->tiltLabel()->frame().minY(), 96);
    EXPECT_EQ(tab->calibrateBtn()->frame().maxY(), 166);
    EXPECT_EQ(tab->contentView()->frame().height(), 178);
    EXPECT_EQ(tab->scrollView()->contentSize().height, 178);

    // A screen with a resolution choice and no tilt: the display section moves up into the
    // tilt section's place, under its heading.
    core->setAccelerometerCalibrationType(0);
    platform::ui::Screen::mainScreen().setScale(2);
    tab->updateView();
    EXPECT_TRUE(tab->tiltLabel()->isHidden());
    EXPECT_FALSE(tab->displayLabel()->isHidden());
    EXPECT_EQ(tab->displayLabel()->frame().minY(), 96);
    EXPECT_EQ(tab->resolutionBtn()->frame().minY(), 122);
    EXPECT_EQ(tab->contentView()->frame().height(), 256);

    // Everything applies again: every row back at its place in the interface file.
    core->setAccelerometerCalibrationType(1);
    tab->updateView();
    EXPECT_FALSE(tab->tiltLabel()->isHidden());
    EXPECT_EQ(tab->tiltLabel()->frame().minY(), 96);
    EXPECT_EQ(tab->displayLabel()->frame().minY(), 178);
    EXPECT_EQ(tab->resolutionBtn()->frame().minY(), 204);
    EXPECT_EQ(tab->contentView()->frame().height(), 338);
    EXPECT_EQ(tab->scrollView()->contentSize().height, 338);
}

TEST_F(SettingsToolTest, SoundButtonCyclesTheVolumeAndLeavingTheTabSavesIt) {
    auto tab = show();
    ASSERT_NE(tab, nullptr);
    tab->performAction("onSoundBtn", nullptr);
    EXPECT_EQ(core->settings().soundVolume, 3);
    EXPECT_EQ(title(tab->soundBtn()), "SoundVolume: 3");
    tab->performAction("onSoundBtn", nullptr);
    EXPECT_EQ(title(tab->soundBtn()), "SoundVolume: OFF");
    EXPECT_EQ(savedSettings()["soundVolume.max3"].intValue(), 2);

    // Switching to the about tab takes the settings tab's view away: the volume is saved.
    core->currentOrientationDependedInfo().toolsView->setSelectedIndex(2);
    loop.runUntilIdle();
    EXPECT_EQ(savedSettings()["soundVolume.max3"].intValue(), 0);
}

TEST_F(SettingsToolTest, CalibrationSheetOffersOkResetAndCancel) {
    core->setAccelerometerCalibrationType(1);
    auto tab = show();
    ASSERT_NE(tab, nullptr);
    tab->performAction("onCalibrateBtn", nullptr);
    auto sheet = tab->calibrateSheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->title(), "Hold the device neutrally, and press OK");
    ASSERT_EQ(sheet->numberOfButtons(), 3);
    EXPECT_EQ(sheet->buttonTitleAtIndex(0), "OK");
    EXPECT_EQ(sheet->buttonTitleAtIndex(1), "Reset to default");
    EXPECT_EQ(sheet->buttonTitleAtIndex(2), "Cancel");
    EXPECT_EQ(sheet->destructiveButtonIndex(), 0);
    EXPECT_EQ(sheet->cancelButtonIndex(), 2);
    // The accelerometer runs at 100 Hz while the question is open.
    ASSERT_NE(tab->accelerometerHelper(), nullptr);
    EXPECT_TRUE(tab->accelerometerHelper()->isRunning());
    EXPECT_DOUBLE_EQ(platform::Accelerometer::shared().updateInterval(), 0.01);
    sheet->tapButton(2);
    EXPECT_EQ(tab->accelerometerHelper(), nullptr);
    EXPECT_EQ(platform::Accelerometer::shared().delegate(), nullptr);

    core->setAccelerometerCalibrationType(2);
    tab->performAction("onCalibrateBtn", nullptr);
    EXPECT_EQ(tab->calibrateSheet()->title(),
              "Keep the device on your preferred neutral angle, and press OK");
    tab->calibrateSheet()->tapButton(2);
}

TEST_F(SettingsToolTest, OkStoresThePostureHeldNow) {
    core->setAccelerometerCalibrationType(1);
    auto tab = show();
    ASSERT_NE(tab, nullptr);
    hold(0.1, -0.2, -0.97);
    tab->performAction("onCalibrateBtn", nullptr);
    loop.advance(1.0);
    tab->calibrateSheet()->tapButton(0);
    EXPECT_NEAR(portrait().x, 0.1, 1e-3);
    EXPECT_NEAR(portrait().y, -0.2, 1e-3);
    EXPECT_NEAR(portrait().z, -0.97, 1e-3);
    EXPECT_EQ(title(tab->calibrateBtn()), "Calibrate Tilt Sensor: +0.100");
    EXPECT_EQ(tab->accelerometerHelper(), nullptr);
    EXPECT_EQ(platform::ui::AlertView::visibleAlert(), nullptr);
    // Only the record of the app's orientation changes.
    EXPECT_DOUBLE_EQ(core->settings().neutralFor(ui::OrientationLandscapeRight).x, 0);

    // Saved when the tab goes.
    core->currentOrientationDependedInfo().toolsView->setSelectedIndex(0);
    loop.runUntilIdle();
    EXPECT_NEAR(savedSettings()["neutralAccelerometer.o1.x"].doubleValue(), 0.1, 1e-3);
}

TEST_F(SettingsToolTest, OkWithTheDeviceOnItsEdgeIsRefusedAndChangesNothing) {
    core->setAccelerometerCalibrationType(1);
    auto tab = show();
    ASSERT_NE(tab, nullptr);
    hold(0.98, 0, -0.1);
    tab->performAction("onCalibrateBtn", nullptr);
    loop.advance(1.0);
    tab->calibrateSheet()->tapButton(0);
    auto alert = platform::ui::AlertView::visibleAlert();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->title(), "Calibration Error");
    EXPECT_EQ(alert->message(),
              "The device is tilting invalidly. Please hold the device more parallel to the "
              "floor.");
    EXPECT_EQ(alert->buttonTitleAtIndex(0), "OK");
    EXPECT_DOUBLE_EQ(portrait().x, 0);
    EXPECT_DOUBLE_EQ(portrait().z, -1);
    // The accelerometer keeps running for another try, until the tab goes.
    ASSERT_NE(tab->accelerometerHelper(), nullptr);
    core->currentOrientationDependedInfo().toolsView->setSelectedIndex(2);
    loop.runUntilIdle();
    EXPECT_EQ(tab->accelerometerHelper(), nullptr);
    EXPECT_EQ(platform::Accelerometer::shared().delegate(), nullptr);
}

TEST_F(SettingsToolTest, ResetRestoresTheRulesNeutralVector) {
    core->setAccelerometerCalibrationType(2);
    core->setNeutralAcceleromterFor(ui::OrientationPortrait, 0.3, 0.1, -0.9);
    auto tab = show();
    ASSERT_NE(tab, nullptr);
    tab->performAction("onCalibrateBtn", nullptr);
    tab->calibrateSheet()->tapButton(1);
    EXPECT_DOUBLE_EQ(portrait().x, 0);
    EXPECT_NEAR(portrait().y, -0.500151, 1e-6);
    EXPECT_NEAR(portrait().z, -0.865938, 1e-6);
    EXPECT_EQ(title(tab->calibrateBtn()), "Calibrate Tilt Sensor: +0,-30");
}

TEST_F(SettingsToolTest, OkAfterTheAccelerometerStoppedKeepsTheCalibration) {
    core->setAccelerometerCalibrationType(1);
    core->setNeutralAcceleromterFor(ui::OrientationPortrait, 0.2, 0.1, -0.95);
    auto tab = show();
    ASSERT_NE(tab, nullptr);
    tab->performAction("onCalibrateBtn", nullptr);
    auto sheet = tab->calibrateSheet();
    // The tab goes while the question is open: the accelerometer stops with it.
    core->currentOrientationDependedInfo().toolsView->setSelectedIndex(0);
    loop.runUntilIdle();
    ASSERT_EQ(tab->accelerometerHelper(), nullptr);
    sheet->tapButton(0);
    EXPECT_DOUBLE_EQ(portrait().x, 0.2);
    EXPECT_DOUBLE_EQ(portrait().y, 0.1);
    EXPECT_DOUBLE_EQ(portrait().z, -0.95);
}

TEST_F(SettingsToolTest, ChoosingLowSetsTheResolutionReleasesTexturesAndReturnsToTheTools) {
    platform::ui::Screen::mainScreen().setScale(2);
    core->withGameView = true;
    core->recordResources = true;
    core->startGameView();  // loads the resources
    core->stopAllViews();
    ASSERT_TRUE(AppCoreBaseTestAccess::resourceLoaded(*core));
    core->settings().contentsScaleIndexSetting = 9;  // from a damaged settings file

    auto tab = show();
    ASSERT_NE(tab, nullptr);
    core->transitions.clear();
    tab->performAction("onResolutionBtn", nullptr);
    loop.runUntilIdle();
    EXPECT_FALSE(toolsOnScreen());
    auto select = core->simpleSelectView();
    ASSERT_NE(select, nullptr);
    EXPECT_EQ(select->title(), "Select Screen Resolution");
    EXPECT_EQ(select->selectedIndex(), 0);
    EXPECT_EQ(select->delegate(), tab->contentsScaleIndexDelegate());
    EXPECT_EQ(core->transitions, (std::vector<std::string>{"2/" + std::to_string(0.5)}));

    select->setSelectedIndex(1);
    select->onDoneBtn();
    loop.runUntilIdle();
    EXPECT_EQ(core->settings().contentsScaleIndexSetting, 1);
    EXPECT_EQ(core->drawingResolution().index(), 1);
    EXPECT_FALSE(AppCoreBaseTestAccess::resourceLoaded(*core));
    EXPECT_EQ(savedSettings()["contentsScaleIndex"].intValue(), 1);
    EXPECT_TRUE(toolsOnScreen());
    EXPECT_EQ(title(tab->resolutionBtn()), "Screen Resolution: Low");
}

TEST_F(SettingsToolTest, ResolutionButtonWithoutASelectionScreenKeepsTheTools) {
    class NoSelect : public ToolsAppCore {
      public:
        std::shared_ptr<SimpleSelectView> makeSimpleSelectView() override { return nullptr; }
    };
    auto other = std::make_shared<NoSelect>();
    other->init();
    other->applicationDidFinishLaunching(platform::ui::Application::shared());
    other->startToolsView();
    loop.runUntilIdle();
    auto tools = other->currentOrientationDependedInfo().toolsView;
    ASSERT_NE(tools, nullptr);
    auto nav = std::dynamic_pointer_cast<platform::ui::NavigationController>(
        tools->viewControllers().at(1));
    auto tab = std::dynamic_pointer_cast<SettingsToolViewController>(nav->topViewController());
    ASSERT_NE(tab, nullptr);
    tab->performAction("onResolutionBtn", nullptr);
    EXPECT_EQ(other->window()->rootViewController(), tools);
    EXPECT_NE(tools->view()->window(), nullptr);
}

}  // namespace
