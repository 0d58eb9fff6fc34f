#pragma once

// What the level download needs of the application core. The app library depends on this
// one, never the reverse, so the core is reached through this small interface.

#include <cstdint>
#include <string>

#include "appbase/JTAppContext.h"

namespace online {

class DlLevelsAppCore {
  public:
    virtual ~DlLevelsAppCore() = default;

    // The game core's root; its level manager decides what may be downloaded.
    virtual JTAppBase::JTAppContextPtr dlAppContext() = 0;
    // The "cmd/downloadLevel" URL for a level, its data hash and a token.
    virtual std::string downloadLevelUrlWithLevelId(int32_t levelId, int64_t dh,
                                                    int64_t tk) const = 0;

    // Looping effects and music stop before another screen takes over.
    virtual void stopAllSounds() = 0;
    virtual void stopAllViews() = 0;
    virtual void startTitleView() = 0;
    virtual void startGameView() = 0;
    virtual void setCurrentLevelId(int32_t levelId) = 0;
    virtual void saveSettings() = 0;
    // Lays the screens out for the current level; true when the orientation changed.
    virtual bool updateInterfaceOrientation() = 0;

    // A one-button ("OK") alert.
    virtual void showSimpleAlert(const std::string& title, const std::string& message) = 0;
};

}  // namespace online
