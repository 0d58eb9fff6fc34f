#include "app/appcore/SettingsRecord.h"

#include <cmath>
#include <filesystem>

#include "app/appcore/OrientationDependedInfo.h"
#include "util/LogMessage.h"
#include "util/PlistFiles.h"

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

NeutralAccelerometer& SettingsRecord::neutralFor(platform::ui::InterfaceOrientation orientation) {
    return neutral_[OrientationDependedInfo::indexOfInterfaceOrientation(orientation)];
}

const NeutralAccelerometer& SettingsRecord::neutralFor(
    platform::ui::InterfaceOrientation orientation) const {
    return neutral_[OrientationDependedInfo::indexOfInterfaceOrientation(orientation)];
}

void SettingsRecord::writeTo(platform::Value& dict) const {
    dict.set("soundVolume.max3", soundVolume);
    dict.set("bgMusicMode", bgMusicMode);
    dict.set("contentsScaleIndex", contentsScaleIndexSetting);
    for (int i = 0; i < 4; ++i) {
        const auto o = OrientationDependedInfo::interfaceOrientationOfIndex(i);
        dict.set(neutralKey(o, 'x'), neutral_[i].x);
        dict.set(neutralKey(o, 'y'), neutral_[i].y);
        dict.set(neutralKey(o, 'z'), neutral_[i].z);
    }
    dict.set("currentLevelId", currentLevelId);
}

void SettingsRecord::readFrom(const platform::Value& dict) {
    readInt(dict, "soundVolume.max3", soundVolume);
    readInt(dict, "bgMusicMode", bgMusicMode);
    readInt(dict, "contentsScaleIndex", contentsScaleIndexSetting);
    for (int i = 0; i < 4; ++i) {
        const auto o = OrientationDependedInfo::interfaceOrientationOfIndex(i);
        readDouble(dict, neutralKey(o, 'x'), neutral_[i].x);
        readDouble(dict, neutralKey(o, 'y'), neutral_[i].y);
        readDouble(dict, neutralKey(o, 'z'), neutral_[i].z);
    }
    readInt(dict, "currentLevelId", currentLevelId);
    if (const platform::Value* v = dict.find("CFBundleVersion"); v && v->isString()) {
        bundleVersion = v->asString();
    }
}

int SettingsRecord::toggleSoundVolume() {
    soundVolume = (soundVolume + 1) % 4;
    if (soundVolume < 0) soundVolume = 0;
    return soundVolume;
}

std::string SettingsRecord::soundVolumeString() const {
    return soundVolume == 0 ? "OFF" : std::to_string(soundVolume);
}

void SettingsRecord::clampSoundVolume() {
    if (soundVolume < 0) soundVolume = 0;
    if (soundVolume > 3) soundVolume = 3;
}

int SettingsRecord::volumePercentOfSetting(int32_t volume) {
    static constexpr int kPercent[4] = {0, 20, 50, 100};
    return volume >= 0 && volume < 4 ? kPercent[volume] : 0;
}

std::optional<platform::Value> SettingsFile::read(const std::string& path, const char* caller) {
    auto stored = util::ReadStoredDictionary(path, caller);
    saveBlocked_ = !stored.mayBeSaved();
    if (stored.state != util::StoredDictionary::State::Read) return std::nullopt;
    loadedAtLaunch_ = true;
    return std::move(stored.dictionary);
}

bool SettingsFile::write(const std::string& path, const platform::Value& dict, const char* caller) {
    if (saveBlocked_) {
        std::error_code ec;
        if (std::filesystem::exists(std::filesystem::symlink_status(path, ec))) {
            util::LogMessage(caller, 3, "settings not saved: " + path + " could not be read");
            return false;
        }
        saveBlocked_ = false;  // gone since: nothing to lose any more
    }
    // A failed write is logged by the writer and leaves the old file in place.
    return util::WriteDictionaryToPlistFile(path, dict);
}

}  // namespace app
