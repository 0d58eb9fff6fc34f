// The player's settings, their file and the drawing resolution.

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

void AppCoreBase::updateSoundSetting() {
    sound::SoundObj::setupWithVolume(SettingsRecord::volumePercentOfSetting(settings_.soundVolume));
    sound::SoundObj::setMusicIsEnabled(settings_.bgMusicMode != 0);
}

bool AppCoreBase::supportsContentsScale() {
    return DrawingResolution::supportsContentsScale(isIPad());
}

void AppCoreBase::updateContentsScaleIndex() {
    const int32_t index = resolution_.update(settings_.contentsScaleIndexSetting, isIPad());
    util::LogMessage("-[AppCoreBase updateContentsScaleIndex]", 1,
                     "csIndex: " + std::to_string(index));
}

float AppCoreBase::contentsScaleValue() {
    return resolution_.value();
}

std::shared_ptr<Texture2D> AppCoreBase::newTextureWithName(const std::string& name) {
    auto file = BundlePictures::pictureFileForName(name, resolution_.index());
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
