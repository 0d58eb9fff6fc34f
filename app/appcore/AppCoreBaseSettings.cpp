// The player's settings, their file and the drawing resolution.

#include <cmath>
#include <filesystem>

#include "app/appcore/AppCoreBase.h"
#include "app/textures/BundlePictures.h"
#include "app/textures/Texture2D.h"
#include "appbase/JTLevelManager.h"
#include "appbase/ScIntHolder.h"
#include "platform/gfx/Image.h"
#include "platform/ui/Screen.h"
#include "sound/SoundObj.h"
#include "util/Crc32.h"
#include "util/LogMessage.h"
#include "util/PlistFiles.h"
#include "util/SystemVersion.h"

namespace app {

void AppCoreBase::serializeWith(platform::Value& dict, bool isSave) {
    if (isSave) {
        settings_.writeTo(dict);
    } else {
        // Straight into the record: the level records may not exist yet, so there is no cache
        // to drop.
        settings_.readFrom(dict);
    }
}

std::string AppCoreBase::settingFileName() const {
    return (std::filesystem::path(util::DocumentsDirectoryPath()) / "settings.plist").string();
}

void AppCoreBase::loadSettings() {
    JTAppBase::SetScIntMask(static_cast<int32_t>(util::Crc32OfCString(webSecretKey_.c_str())));
    if (auto stored = settingsFile_.read(settingFileName(), "-[AppCoreBase loadSettings]")) {
        serializeWith(*stored, false);
    }
    didLoadSettings();
}

void AppCoreBase::didLoadSettings() {
    settings_.clampSoundVolume();
    loadOrCreateArid();
    util::LogMessage("-[AppCoreBase didLoadSettings]", 1, "arid:" + aridStr());
    if (appContext_) {
        if (auto manager = appContext_->getLevelManager()) manager->reset();
    }
    updateContentsScaleIndex();
}

void AppCoreBase::saveSettings() {
    platform::Value dict = platform::Value::dictionary();
    serializeWith(dict, true);
    dict.set("SettingModel.version", SettingsRecord::kModelVersion);
    dict.set("CFBundleVersion", infoDictionary_.get("CFBundleShortVersionString").asString());
    if (settingsFile_.write(settingFileName(), dict, "-[AppCoreBase saveSettings]")) {
        util::LogMessage("-[AppCoreBase saveSettings]", 1, "write settings: " + settingFileName());
    }
}

int AppCoreBase::toggleSoundVolume() {
    return settings_.toggleSoundVolume();
}

std::string AppCoreBase::soundVolumeString() const {
    return settings_.soundVolumeString();
}

void AppCoreBase::updateSoundSetting() {
    sound::SoundObj::setupWithVolume(SettingsRecord::volumePercentOfSetting(settings_.soundVolume));
    sound::SoundObj::setMusicIsEnabled(settings_.bgMusicMode != 0);
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
    int32_t s = settings_.contentsScaleIndexSetting;
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
    return BundlePictures::contentsScaleValueFromIndex(index);
}

float AppCoreBase::contentsScaleValue() {
    return contentsScaleValueFromIndex(contentsScaleIndex_);
}

std::optional<std::pair<std::string, float>> AppCoreBase::pictureFileForName(
    const std::string& name, int32_t index) {
    return BundlePictures::pictureFileForName(name, index);
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
