// The player's settings, their file and the drawing resolution.

#include <cmath>
#include <filesystem>

#include "app/appcore/AppCoreBase.h"
#include "app/textures/Texture2D.h"
#include "appbase/JTLevelManager.h"
#include "appbase/ScIntHolder.h"
#include "platform/gfx/Image.h"
#include "platform/storage/Bundle.h"
#include "platform/ui/Image.h"
#include "platform/ui/Screen.h"
#include "sound/SoundObj.h"
#include "util/Crc32.h"
#include "util/LogMessage.h"
#include "util/PlistFiles.h"
#include "util/SystemVersion.h"

namespace app {

namespace {

std::string neutralKey(platform::ui::InterfaceOrientation orientation, char axis) {
    return "neutralAccelerometer.o" + std::to_string(orientation) + "." + axis;
}

// A key holding a number of any kind is read; anything else leaves the field as it was.
void readInt(const platform::Value& dict, const char* key, int32_t& field) {
    const platform::Value* v = dict.find(key);
    if (v && v->isNumber()) field = static_cast<int32_t>(v->asInteger());
}

// A neutral tilt that is not a finite number would turn every later tilt into one too and
// leave the car unsteerable; such a value in a damaged file keeps the default instead.
void readDouble(const platform::Value& dict, const std::string& key, double& field) {
    const platform::Value* v = dict.find(key);
    if (v && v->isNumber() && std::isfinite(v->asReal())) field = v->asReal();
}

}  // namespace

void AppCoreBase::serializeWith(platform::Value& dict, bool isSave) {
    if (isSave) {
        dict.set("soundVolume.max3", soundVolume_);
        dict.set("bgMusicMode", bgMusicMode_);
        dict.set("contentsScaleIndex", contentsScaleIndexSetting_);
        for (int i = 0; i < 4; ++i) {
            platform::ui::InterfaceOrientation o = interfaceOrientationOfIndex(i);
            const auto& info = orientationDependedInfo_[i];
            dict.set(neutralKey(o, 'x'), info.neutralAccelerometerX);
            dict.set(neutralKey(o, 'y'), info.neutralAccelerometerY);
            dict.set(neutralKey(o, 'z'), info.neutralAccelerometerZ);
        }
        dict.set("currentLevelId", currentLevelId_);
        return;
    }
    readInt(dict, "soundVolume.max3", soundVolume_);
    readInt(dict, "bgMusicMode", bgMusicMode_);
    readInt(dict, "contentsScaleIndex", contentsScaleIndexSetting_);
    for (int i = 0; i < 4; ++i) {
        platform::ui::InterfaceOrientation o = interfaceOrientationOfIndex(i);
        auto& info = orientationDependedInfo_[i];
        readDouble(dict, neutralKey(o, 'x'), info.neutralAccelerometerX);
        readDouble(dict, neutralKey(o, 'y'), info.neutralAccelerometerY);
        readDouble(dict, neutralKey(o, 'z'), info.neutralAccelerometerZ);
    }
    // Straight into the field: the level records may not exist yet, so there is no cache to
    // drop.
    readInt(dict, "currentLevelId", currentLevelId_);
    if (const platform::Value* v = dict.find("CFBundleVersion"); v && v->isString()) {
        bundleVersionOfLoadedSettings_ = v->asString();
    }
}

std::string AppCoreBase::settingFileName() const {
    return (std::filesystem::path(util::DocumentsDirectoryPath()) / "settings.plist").string();
}

void AppCoreBase::loadSettings() {
    JTAppBase::SetScIntMask(static_cast<int32_t>(util::Crc32OfCString(webSecretKey_.c_str())));
    auto stored = util::ReadStoredDictionary(settingFileName(), "-[AppCoreBase loadSettings]");
    // Settings that are there but cannot be read may be fine tomorrow: this run keeps its
    // hands off them. Damaged ones were moved aside and start afresh.
    settingsSaveBlocked_ = !stored.mayBeSaved();
    if (stored.state == util::StoredDictionary::State::Read) {
        settingsLoadedAtLaunch_ = true;
        serializeWith(stored.dictionary, false);
    }
    didLoadSettings();
}

void AppCoreBase::didLoadSettings() {
    if (soundVolume_ < 0) soundVolume_ = 0;
    if (soundVolume_ > 3) soundVolume_ = 3;
    loadOrCreateArid();
    util::LogMessage("-[AppCoreBase didLoadSettings]", 1, "arid:" + aridStr());
    if (appContext_) {
        if (auto manager = appContext_->getLevelManager()) manager->reset();
    }
    updateContentsScaleIndex();
}

void AppCoreBase::saveSettings() {
    if (settingsSaveBlocked_) {
        std::error_code ec;
        if (std::filesystem::exists(std::filesystem::symlink_status(settingFileName(), ec))) {
            util::LogMessage("-[AppCoreBase saveSettings]", 3,
                             "settings not saved: " + settingFileName() + " could not be read");
            return;
        }
        settingsSaveBlocked_ = false;  // gone since: nothing to lose any more
    }
    platform::Value dict = platform::Value::dictionary();
    serializeWith(dict, true);
    dict.set("SettingModel.version", kSettingModelVersion);
    dict.set("CFBundleVersion", infoDictionary_.get("CFBundleShortVersionString").asString());
    // A failed write is logged by the writer and leaves the old file in place.
    util::WriteDictionaryToPlistFile(settingFileName(), dict);
    util::LogMessage("-[AppCoreBase saveSettings]", 1, "write settings: " + settingFileName());
}

int AppCoreBase::toggleSoundVolume() {
    soundVolume_ = (soundVolume_ + 1) % 4;
    // A volume below 0 (set through the accessor) would stay negative under %; the setting
    // only knows 0..3.
    if (soundVolume_ < 0) soundVolume_ = 0;
    return soundVolume_;
}

std::string AppCoreBase::soundVolumeString() const {
    return soundVolume_ == 0 ? "OFF" : std::to_string(soundVolume_);
}

int AppCoreBase::volumePercentOfSetting(int32_t volume) {
    static constexpr int kPercent[4] = {0, 20, 50, 100};
    return volume >= 0 && volume < 4 ? kPercent[volume] : 0;
}

void AppCoreBase::updateSoundSetting() {
    sound::SoundObj::setupWithVolume(volumePercentOfSetting(soundVolume_));
    sound::SoundObj::setMusicIsEnabled(bgMusicMode_ != 0);
}

float AppCoreBase::displayContentsScale() {
    float scale = static_cast<float>(platform::ui::Screen::mainScreen().scale());
    // A tablet of scale 1 shows the phone's layout doubled, so it deserves the sharp pictures.
    if (isIPad() && scale <= 1.01f) scale *= 2;
    return scale;
}

bool AppCoreBase::supportsContentsScale() {
    return displayContentsScale() > 1.01f;
}

int32_t AppCoreBase::defaultContentsScaleIndex() {
    float scale = displayContentsScale();
    int32_t max = maxDefaultContentsScaleIndex();
    if (max >= 3 && scale >= 1.9f) return 3;
    if (max > 1 && scale >= 1.4f) return 2;
    return 1;
}

void AppCoreBase::updateContentsScaleIndex() {
    if (!supportsContentsScale()) {
        contentsScaleIndex_ = 1;
        return;
    }
    int32_t s = contentsScaleIndexSetting_;
    if (s >= 1 && s <= 3) {
        contentsScaleIndex_ = s;
    } else if (s >= 4) {
        contentsScaleIndex_ = 3;
    } else {
        contentsScaleIndex_ = defaultContentsScaleIndex();
    }
    util::LogMessage("-[AppCoreBase updateContentsScaleIndex]", 1,
                     "csIndex: " + std::to_string(contentsScaleIndex_));
}

float AppCoreBase::contentsScaleValueFromIndex(int32_t index) {
    switch (index) {
        case 2:
            return 1.5f;
        case 3:
            return 2.0f;
        default:
            return 1.0f;
    }
}

float AppCoreBase::contentsScaleValue() {
    return contentsScaleValueFromIndex(contentsScaleIndex_);
}

std::optional<std::pair<std::string, float>> AppCoreBase::pictureFileForName(
    const std::string& name, int32_t index) {
    auto bundle = platform::Bundle::mainBundle();
    // The candidates run from the index down to 1, then up through 2 and 3: a smaller picture
    // scaled up looks better than none.
    for (int32_t i = index; i >= -1; --i) {
        int32_t c = i > 0 ? i : 2 - i;
        std::string file = name;
        if (c == 2) file += "_cs150";
        if (c == 3) file += "_cs200";
        if (auto path = bundle->pathForResource(file, "png")) {
            return std::make_pair(path->string(), contentsScaleValueFromIndex(c));
        }
    }
    return std::nullopt;
}

std::shared_ptr<const platform::ui::Image> AppCoreBase::interfaceImageNamed(
    const std::string& name) {
    std::string stem = name;
    if (stem.size() > 4 && stem.compare(stem.size() - 4, 4, ".png") == 0)
        stem.resize(stem.size() - 4);
    double scale = platform::ui::Screen::mainScreen().scale();
    int32_t index = scale >= 2 ? 3 : scale >= 1.5 ? 2 : 1;
    auto file = pictureFileForName(stem, index);
    if (!file) return nullptr;
    std::string error;
    auto image = platform::gfx::Image::loadPng(file->first, &error);
    if (!image) {
        util::LogMessage("+[AppCoreBase interfaceImageNamed:]", 3, file->first + ": " + error);
        return nullptr;
    }
    // Points are the picture's pixels at the resolution it was drawn for.
    platform::Size size{image->width() / double(file->second),
                        image->height() / double(file->second)};
    return std::make_shared<platform::ui::Image>(
        name, size, std::make_shared<const platform::gfx::Image>(std::move(*image)), file->second);
}

std::shared_ptr<Texture2D> AppCoreBase::newTextureWithName(const std::string& name) {
    auto file = pictureFileForName(name, contentsScaleIndex_);
    if (!file) return nullptr;
    std::string error;
    auto image = platform::gfx::Image::loadPng(file->first, &error);
    if (!image) {
        util::LogMessage("-[AppCoreBase newTextureWithName:]", 3, file->first + ": " + error);
        return nullptr;
    }
    return Texture2D::createWithImage(&*image, file->second);
}

}  // namespace app
