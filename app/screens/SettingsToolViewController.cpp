#include "app/screens/SettingsToolViewController.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/gameview/AccelerometerHelper.h"
#include "app/screens/ShellAlerts.h"

namespace app {

namespace {

struct ResolutionRow {
    const char* label;
    const char* info;
};

constexpr ResolutionRow kResolutionRows[] = {
    {"Automatic", "Automatic (default)"},
    {"Low", "Low Resolution (480x320).\nSame as non-Retina display"},
    {"Medium", "Medium Resolution (720x480).\nBetter perfomance than High resolution"},
    {"High", "High Resolution (960x640).\nRecommended for Retina display and iPad 2x mode"},
};

// The calibration's accelerometer reads its neutral position and orientation from the app
// core, which it must not keep alive.
class CalibrationOwner final : public AccelerometerHelperOwner {
  public:
    explicit CalibrationOwner(std::weak_ptr<SettingsToolCore> core) : core_(std::move(core)) {}
    NeutralAccelerometer currentNeutralAccelerometer() override {
        auto core = core_.lock();
        return core ? core->neutralAccelerometerFor(core->interfaceOrientation())
                    : NeutralAccelerometer{};
    }
    platform::ui::InterfaceOrientation currentStatusBarOrientation() override {
        return CurrentStatusBarOrientation();
    }

  private:
    std::weak_ptr<SettingsToolCore> core_;
};

std::string format(const char* fmt, double value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, value);
    return buf;
}

// Degrees cut toward zero; angles come from atan2 and so stay within +-180.
int wholeDegrees(double radians) {
    double degrees = radians * 180.0 / M_PI;
    return std::isfinite(degrees) ? static_cast<int>(degrees) : 0;
}

}  // namespace

// ---- resolution rows ----

std::shared_ptr<SettingsToolCore> SettingsToolViewController_ContentsScaleIndexDelegate::core()
    const {
    auto owner = owner_.lock();
    return owner ? owner->settingsCore() : nullptr;
}

std::string SettingsToolViewController_ContentsScaleIndexDelegate::itemLabelAt(int index) {
    return kResolutionRows[rowOfIndex(index)].label;
}

std::optional<std::string> SettingsToolViewController_ContentsScaleIndexDelegate::itemInfoTextAt(
    int index) {
    return std::string(kResolutionRows[rowOfIndex(index)].info);
}

void SettingsToolViewController_ContentsScaleIndexDelegate::didBeDoneWithIndex(int index,
                                                                               SimpleSelectView&) {
    auto c = core();
    if (!c) return;
    c->setContentsScaleIndexSetting(rowOfIndex(index));
    c->updateContentsScaleIndex();
    // The textures are made again for the new resolution at the next game start.
    c->releaseResources();
    // The settings tab was already gone when the choice was made; without a save here the
    // choice would live only until the tab goes once more.
    c->saveSettings();
}

void SettingsToolViewController_ContentsScaleIndexDelegate::startNextView() {
    if (auto c = core()) c->startToolsView();
}

// ---- the settings tab ----

SettingsToolViewController::SettingsToolViewController(std::string nibName)
    : ToolViewControllerBase(std::move(nibName)) {
    outlet("calibrateBtn", calibrateBtn_);
    outlet("soundBtn", soundBtn_);
    outlet("bgMusicLabel", bgMusicLabel_);
    outlet("bgMusicSwitch", bgMusicSwitch_);
    outlet("resolutionBtn", resolutionBtn_);
    outlet("tiltLabel", tiltLabel_);
    outlet("displayLabel", displayLabel_);
    action("onSoundBtn", [this](platform::ui::Control*) { onSoundBtn(); });
    action("onCalibrateBtn", [this](platform::ui::Control*) { onCalibrateBtn(); });
    action("onResolutionBtn", [this](platform::ui::Control*) { onResolutionBtn(); });
}

SettingsToolViewController::~SettingsToolViewController() {
    if (accelerometerHelper_) accelerometerHelper_->stop();
}

void SettingsToolViewController::setup() {
    ToolViewControllerBase::setup();
    tabBarItem().imageName = kTabImage;
    tabBarItem().title = "Settings";
    setTitle("Settings");
    auto self = std::static_pointer_cast<SettingsToolViewController>(shared_from_this());
    calibrateActionDelegate_ =
        SimpleUIActionSheetDelegate::create(self, &SettingsToolViewController::onCalibrateAction);
    contentsScaleIndexDelegate_ =
        std::make_shared<SettingsToolViewController_ContentsScaleIndexDelegate>(self);
}

void SettingsToolViewController::viewWillAppear(bool animated) {
    ToolViewControllerBase::viewWillAppear(animated);
    updateView();
}

void SettingsToolViewController::updateView() {
    auto c = settingsCore();
    if (!c) return;
    if (soundBtn_) SetButtonTitle(*soundBtn_, "SoundVolume: " + c->soundVolumeString());

    const bool music = c->hasMusicResources();
    if (bgMusicSwitch_) {
        bgMusicSwitch_->setHidden(!music);
        if (music) bgMusicSwitch_->setOn(c->bgMusicMode() != 0, false);
    }

    if (calibrateBtn_) {
        const bool tilt = c->accelerometerCalibrationType() != 0;
        calibrateBtn_->setHidden(!tilt);
        if (tilt)
            SetButtonTitle(*calibrateBtn_,
                           "Calibrate Tilt Sensor: " + neutralAccelerometerString());
    }

    if (resolutionBtn_) {
        const bool scales = c->supportsContentsScale();
        resolutionBtn_->setHidden(!scales);
        if (scales && contentsScaleIndexDelegate_)
            SetButtonTitle(*resolutionBtn_,
                           "Screen Resolution: " + contentsScaleIndexDelegate_->itemLabelAt(
                                                       c->contentsScaleIndexSetting()));
    }
    closeUpHiddenRows();
}

void SettingsToolViewController::closeUpHiddenRows() {
    const auto& content = contentView();
    if (!content) return;
    if (!designedHeight_) {
        for (const auto& v : content->subviews()) designedFrames_.emplace_back(v, v->frame());
        designedHeight_ = content->frame().height();
    }
    auto designed = [&](const platform::ui::View* view) -> std::optional<platform::Rect> {
        for (const auto& [weak, frame] : designedFrames_)
            if (weak.lock().get() == view) return frame;
        return std::nullopt;
    };
    // A row whose setting does not apply goes with its heading, and the band it took (down to
    // the next row, or to the end of the content) closes up: the screen shows no heading over
    // nothing and no empty gap.
    struct Band {
        double top = 0, bottom = 0;
    };
    std::vector<Band> removed;
    const std::vector<
        std::pair<std::shared_ptr<platform::ui::View>, std::shared_ptr<platform::ui::View>>>
        rows{{bgMusicSwitch_, bgMusicLabel_},
             {calibrateBtn_, tiltLabel_},
             {resolutionBtn_, displayLabel_}};
    for (const auto& [control, heading] : rows) {
        if (!control) continue;
        const bool hidden = control->isHidden();
        if (heading) heading->setHidden(hidden);
        const auto controlFrame = designed(control.get());
        if (!hidden || !controlFrame) continue;
        platform::Rect row = *controlFrame;
        if (heading) {
            if (const auto headingFrame = designed(heading.get()))
                row = row.unionWith(*headingFrame);
        }
        double next = *designedHeight_;
        for (const auto& [weak, frame] : designedFrames_) {
            auto v = weak.lock();
            if (v && v != control && v != heading && frame.minY() >= row.maxY())
                next = std::min(next, frame.minY());
        }
        removed.push_back({row.minY(), next});
    }
    double closedUp = 0;
    for (const auto& band : removed) closedUp += band.bottom - band.top;
    for (const auto& [weak, frame] : designedFrames_) {
        auto v = weak.lock();
        if (!v) continue;
        double shift = 0;
        for (const auto& band : removed)
            if (frame.minY() >= band.bottom) shift += band.bottom - band.top;
        platform::Rect f = v->frame();
        f.origin.y = frame.minY() - shift;
        v->setFrame(f);
    }
    platform::Rect contentFrame = content->frame();
    contentFrame.size.height = *designedHeight_ - closedUp;
    content->setFrame(contentFrame);
    if (const auto& scroll = scrollView()) scroll->setContentSize(contentFrame.size);
}

void SettingsToolViewController::willSaveSettings() {
    if (!bgMusicSwitch_ || bgMusicSwitch_->isHidden()) return;
    if (auto c = settingsCore()) c->setBgMusicMode(bgMusicSwitch_->isOn() ? 1 : 0);
}

void SettingsToolViewController::viewWillDisappear(bool animated) {
    ToolViewControllerBase::viewWillDisappear(animated);
    willSaveSettings();
    if (auto c = settingsCore()) c->saveSettings();
    stopAcceleromter();
}

void SettingsToolViewController::onSoundBtn() {
    willSaveSettings();
    if (auto c = settingsCore()) c->toggleSoundVolume();
    updateView();
}

void SettingsToolViewController::onResolutionBtn() {
    auto c = settingsCore();
    if (!c) return;
    // Without a selection screen, taking the tools away would leave nothing on screen.
    auto select = c->simpleSelectView();
    if (!select) return;
    c->stopToolsView();
    select->startWithDelegate(contentsScaleIndexDelegate_, "Select Screen Resolution",
                              SettingsToolViewController_ContentsScaleIndexDelegate::rowOfIndex(
                                  c->contentsScaleIndexSetting()));
    c->transitionAnimation(platform::ui::AnimationTransition::FlipFromRight, 0.5);
    select->closeWhenSuspend();
}

void SettingsToolViewController::startAcceleromter() {
    if (accelerometerHelper_) return;
    if (!accelerometerOwner_)
        accelerometerOwner_ = std::make_shared<CalibrationOwner>(settingsCore());
    accelerometerHelper_ = AccelerometerHelper::create(accelerometerOwner_);
    accelerometerHelper_->startWithFrequency(kCalibrationFrequency,
                                             kCalibrationFilteringFactorPerSec);
}

void SettingsToolViewController::stopAcceleromter() {
    if (!accelerometerHelper_) return;
    accelerometerHelper_->stop();
    accelerometerHelper_.reset();
}

std::string SettingsToolViewController::neutralAccelerometerString(
    int calibrationType, platform::ui::InterfaceOrientation orientation, double x, double y,
    double z) {
    if (calibrationType == 1) {
        double sideways = x;
        if (orientation == 2) sideways = -x;
        if (orientation == 3) sideways = -y;
        if (orientation == 4) sideways = y;
        return format("%+0.3f", sideways);
    }
    if (calibrationType == 2) {
        double h = 0, v = 0;
        AccelerometerHelper::getAnglesWithOrientation(orientation, x, y, z, h, v);
        char buf[32];
        std::snprintf(buf, sizeof buf, "%+d,%+d", wholeDegrees(h), wholeDegrees(v));
        return buf;
    }
    return "N/A";
}

std::string SettingsToolViewController::neutralAccelerometerString() const {
    auto c = settingsCore();
    if (!c) return "N/A";
    const platform::ui::InterfaceOrientation o = c->interfaceOrientation();
    const auto neutral = c->neutralAccelerometerFor(o);
    return neutralAccelerometerString(c->accelerometerCalibrationType(), o, neutral.x, neutral.y,
                                      neutral.z);
}

bool SettingsToolViewController::calibrationPostureIsValid(
    platform::ui::InterfaceOrientation orientation, double x, double y, double z) {
    double h = 0, v = 0;
    AccelerometerHelper::getAnglesWithOrientation(orientation, x, y, z, h, v);
    // A reading that makes no angle at all is no posture either.
    if (!std::isfinite(h) || !std::isfinite(v)) return false;
    return !(std::fabs(M_PI / 2 - std::fabs(h)) < M_PI / 4);
}

void SettingsToolViewController::onCalibrateBtn() {
    startAcceleromter();
    auto c = settingsCore();
    const bool tilted = c && c->accelerometerCalibrationType() == 2;
    auto sheet = platform::ui::ActionSheet::create(
        tilted ? "Keep the device on your preferred neutral angle, and press OK"
               : "Hold the device neutrally, and press OK",
        calibrateActionDelegate_, "Cancel", "", {"OK", "Reset to default"});
    sheet->setDestructiveButtonIndex(static_cast<int>(kCalibrateOk));
    calibrateSheet_ = sheet;
    sheet->showInView(sheetHostView());
}

void SettingsToolViewController::onCalibrateAction(std::int64_t buttonIndex) {
    willSaveSettings();
    auto c = settingsCore();
    if (c) {
        const platform::ui::InterfaceOrientation o = c->interfaceOrientation();
        if (buttonIndex == kCalibrateReset) {
            c->resetNeutralAcceleromterValueFor(o);
        } else if (buttonIndex == kCalibrateOk && accelerometerHelper_) {
            // Without a running accelerometer (the tab went away while the question was open)
            // there is no reading to take; an empty one would silently reset the calibration.
            const double x = accelerometerHelper_->accelerometerX();
            const double y = accelerometerHelper_->accelerometerY();
            const double z = accelerometerHelper_->accelerometerZ();
            if (!calibrationPostureIsValid(o, x, y, z)) {
                ShowSimpleAlert("Calibration Error",
                                "The device is tilting invalidly. Please hold the device more "
                                "parallel to the floor.");
                return;
            }
            c->setNeutralAcceleromterFor(o, x, y, z);
        }
    }
    updateView();
    stopAcceleromter();
}

void SettingsToolViewController::setAppCore(std::weak_ptr<SettingsToolCore> core) {
    setToolsCore(core);
    settingsCore_ = std::move(core);
}

}  // namespace app
