#pragma once

// What the settings tab needs of the app core: the sound and music settings, the drawing
// resolution, and the neutral tilt of each orientation.

#include <cstdint>
#include <memory>

#include "app/gameview/AccelerometerHelper.h"
#include "app/screens/ToolsCore.h"

namespace app {

class SimpleSelectView;

class SettingsToolCore : public virtual ToolsCore {
  public:
    virtual int32_t accelerometerCalibrationType() const = 0;
    virtual bool hasMusicResources() const = 0;
    virtual int32_t bgMusicMode() const = 0;
    virtual void setBgMusicMode(int32_t mode) = 0;

    virtual bool supportsContentsScale() = 0;
    virtual int32_t contentsScaleIndexSetting() const = 0;
    virtual void setContentsScaleIndexSetting(int32_t setting) = 0;
    // Applies the resolution setting to the drawing scale.
    virtual void updateContentsScaleIndex() = 0;
    // Drops the game's textures and sounds so the next game loads them at the new scale.
    virtual void releaseResources() = 0;

    virtual NeutralAccelerometer neutralAccelerometerFor(
        platform::ui::InterfaceOrientation orientation) = 0;
    virtual void setNeutralAcceleromterFor(platform::ui::InterfaceOrientation orientation, double x,
                                           double y, double z) = 0;
    virtual void resetNeutralAcceleromterValueFor(
        platform::ui::InterfaceOrientation orientation) = 0;

    virtual std::shared_ptr<SimpleSelectView> simpleSelectView() = 0;
    virtual void startToolsView() = 0;
};

}  // namespace app
