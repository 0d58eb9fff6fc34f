#pragma once

// The player's settings and the file they live in (settings.plist in the documents folder).
// The keys, their value ranges and the model number are what every released version wrote and
// reads back, so none of them changes.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "app/gameview/AccelerometerHelper.h"
#include "platform/base/Value.h"
#include "platform/ui/InterfaceOrientation.h"

namespace app {

class SettingsRecord {
  public:
    static constexpr int32_t kModelVersion = 4097;

    int32_t soundVolume = 2;                // 0 (off) to 3
    int32_t bgMusicMode = 1;                // 0 off, anything else on
    int32_t contentsScaleIndexSetting = 0;  // 0 automatic, 1..3 a drawing resolution
    int32_t currentLevelId = 0;
    // The version that wrote the file read at launch, when it named one.
    std::optional<std::string> bundleVersion;

    // The calibrated neutral tilt of an orientation; an unknown orientation shares portrait's,
    // as the screens do.
    NeutralAccelerometer& neutralFor(platform::ui::InterfaceOrientation orientation);
    const NeutralAccelerometer& neutralFor(platform::ui::InterfaceOrientation orientation) const;

    // Every key this record owns; the caller adds the model number and the version.
    void writeTo(platform::Value& dict) const;
    // A key that is missing or holds the wrong kind of value leaves its field as it was. The
    // sound volume is not clamped here: the app core does that after its subclass has read.
    void readFrom(const platform::Value& dict);

    // Off, 1, 2, 3, off... A volume below 0 would stay negative under the modulo; it restarts
    // at off.
    int toggleSoundVolume();
    std::string soundVolumeString() const;
    void clampSoundVolume();
    // The engine's volume in percent for a setting; anything out of range is silence.
    static int volumePercentOfSetting(int32_t volume);

  private:
    std::array<NeutralAccelerometer, 4> neutral_{};  // by the orientation records' index
};

// Reading and writing the settings file. A file that is there but cannot be read (a folder in
// its place, no permission) may be fine tomorrow, so this run never saves over it; a damaged
// one is moved aside by the reader and the next save starts afresh.
class SettingsFile {
  public:
    // The stored dictionary, or nullopt when there is none to use. `caller` names the log lines.
    std::optional<platform::Value> read(const std::string& path, const char* caller);
    // False when the file is kept from this run (logged) or could not be written.
    bool write(const std::string& path, const platform::Value& dict, const char* caller);
    // A dictionary was read at launch: the player has played before.
    bool loadedAtLaunch() const { return loadedAtLaunch_; }

  private:
    bool loadedAtLaunch_ = false;
    bool saveBlocked_ = false;
};

}  // namespace app
