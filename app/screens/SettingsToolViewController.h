#pragma once

// The settings tab: sound volume, background music (shown only when the game has music),
// the neutral tilt ("Calibrate Tilt Sensor", measured with the accelerometer at 100 Hz while
// the question is open) and the drawing resolution, chosen on the selection screen (offered
// only on screens of more than one pixel per point). A row that does not apply hides with its
// heading, and the rows below it close up.
// Changes are saved when the tab's view goes away.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/screens/SettingsToolCore.h"
#include "app/screens/SimpleSelectView.h"
#include "app/screens/SimpleUIActionSheetDelegate.h"
#include "app/screens/ToolViewControllerBase.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/Switch.h"

namespace app {

class AccelerometerHelper;
class AccelerometerHelperOwner;
class SettingsToolViewController;

// The drawing resolution rows of the selection screen: 0 automatic, then low, medium, high.
class SettingsToolViewController_ContentsScaleIndexDelegate : public SimpleSelectViewDelegate {
  public:
    static constexpr int kItemsNum = 4;

    explicit SettingsToolViewController_ContentsScaleIndexDelegate(
        std::weak_ptr<SettingsToolViewController> owner)
        : owner_(std::move(owner)) {}

    // Any index other than 1 to 3 reads as row 0 ("Automatic").
    static int rowOfIndex(int index) { return index >= 1 && index <= 3 ? index : 0; }

    int itemsNum() override { return kItemsNum; }
    std::string itemLabelAt(int index) override;
    std::optional<std::string> itemInfoTextAt(int index) override;
    bool canBeDoneWithIndex(int, SimpleSelectView&) override { return true; }
    void didBeDoneWithIndex(int index, SimpleSelectView& view) override;
    void startNextView() override;

  private:
    std::shared_ptr<SettingsToolCore> core() const;

    std::weak_ptr<SettingsToolViewController> owner_;
};

class SettingsToolViewController : public ToolViewControllerBase {
  public:
    static constexpr const char* kTabImage = "icon_settings.png";
    static constexpr double kCalibrationFrequency = 100.0;
    // Practically unfiltered: the calibration takes the device's posture as it is now.
    static constexpr double kCalibrationFilteringFactorPerSec = 1e-10;
    // Buttons of the calibration sheet.
    static constexpr std::int64_t kCalibrateOk = 0;
    static constexpr std::int64_t kCalibrateReset = 1;

    explicit SettingsToolViewController(std::string nibName = "SettingsTool_Portrait");
    ~SettingsToolViewController() override;
    const char* className() const override { return "SettingsToolViewController"; }

    // Every screen's part of the app core, the tools' and this tab's own.
    void setAppCore(std::weak_ptr<SettingsToolCore> core);
    std::shared_ptr<SettingsToolCore> settingsCore() const { return settingsCore_.lock(); }

    void setup() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    virtual void willSaveSettings();
    virtual void updateView();

    void onCalibrateAction(std::int64_t buttonIndex);
    void startAcceleromter();
    void stopAcceleromter();

    // The neutral tilt of the app core's orientation as the calibrate button shows it.
    std::string neutralAccelerometerString() const;
    // The same for a calibration type, an orientation and a neutral vector: type 1 the
    // sideways component ("%+0.3f"), type 2 the two angles in degrees ("%+d,%+d"), else "N/A".
    static std::string neutralAccelerometerString(int calibrationType,
                                                  platform::ui::InterfaceOrientation orientation,
                                                  double x, double y, double z);
    // False for a posture whose sideways angle is near 90 degrees (the device stands on its
    // edge): there the forward angle is undefined, so it cannot be a neutral position.
    static bool calibrationPostureIsValid(platform::ui::InterfaceOrientation orientation, double x,
                                          double y, double z);

    const std::shared_ptr<AccelerometerHelper>& accelerometerHelper() const {
        return accelerometerHelper_;
    }
    const std::shared_ptr<SettingsToolViewController_ContentsScaleIndexDelegate>&
    contentsScaleIndexDelegate() const {
        return contentsScaleIndexDelegate_;
    }
    std::shared_ptr<platform::ui::ActionSheet> calibrateSheet() const {
        return calibrateSheet_.lock();
    }
    const std::shared_ptr<platform::ui::Button>& calibrateBtn() const { return calibrateBtn_; }
    const std::shared_ptr<platform::ui::Button>& soundBtn() const { return soundBtn_; }
    const std::shared_ptr<platform::ui::Label>& bgMusicLabel() const { return bgMusicLabel_; }
    const std::shared_ptr<platform::ui::Switch>& bgMusicSwitch() const { return bgMusicSwitch_; }
    const std::shared_ptr<platform::ui::Button>& resolutionBtn() const { return resolutionBtn_; }
    const std::shared_ptr<platform::ui::Label>& tiltLabel() const { return tiltLabel_; }
    const std::shared_ptr<platform::ui::Label>& displayLabel() const { return displayLabel_; }

  private:
    // The interface's buttons, bound by name when the screen is made.
    void onSoundBtn();
    void onResolutionBtn();
    void onCalibrateBtn();

    // Lays the rows out again from the interface file's places, leaving out the rows whose
    // setting does not apply (their control hidden) with their headings.
    void closeUpHiddenRows();

    std::weak_ptr<SettingsToolCore> settingsCore_;
    std::shared_ptr<platform::ui::Button> calibrateBtn_;
    std::shared_ptr<platform::ui::Button> soundBtn_;
    std::shared_ptr<platform::ui::Label> bgMusicLabel_;
    std::shared_ptr<platform::ui::Switch> bgMusicSwitch_;
    std::shared_ptr<platform::ui::Label> tiltLabel_;
    std::shared_ptr<platform::ui::Label> displayLabel_;
    std::shared_ptr<platform::ui::Button> resolutionBtn_;
    // Every view of the content as the interface file placed it, and the content's height
    // then; taken at the first layout.
    std::vector<std::pair<std::weak_ptr<platform::ui::View>, platform::Rect>> designedFrames_;
    std::optional<double> designedHeight_;
    std::shared_ptr<SimpleUIActionSheetDelegate> calibrateActionDelegate_;
    // The helper holds where its neutral position comes from only weakly; we keep it.
    std::shared_ptr<AccelerometerHelperOwner> accelerometerOwner_;
    std::shared_ptr<AccelerometerHelper> accelerometerHelper_;
    std::shared_ptr<SettingsToolViewController_ContentsScaleIndexDelegate>
        contentsScaleIndexDelegate_;
    std::weak_ptr<platform::ui::ActionSheet> calibrateSheet_;
};

}  // namespace app
