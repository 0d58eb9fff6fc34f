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
