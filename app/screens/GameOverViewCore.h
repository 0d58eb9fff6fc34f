#pragma once

// What the game-over screen needs of the app core.

#include <cstdint>
#include <memory>
#include <optional>

#include "app/screens/AppCoreScreens.h"
#include "app/screens/WebScore.h"
#include "appbase/JTAppContext.h"
#include "appbase/ShellInterfaces.h"

namespace online {
class DuRezSupport;
}

namespace app {

class GameOverViewCore : public virtual AppCoreScreens {
  public:
    virtual JTAppBase::JTAppContextPtr appContext() const = 0;
    virtual void setCurrentLevelId(int32_t id) = 0;
    virtual std::shared_ptr<JTAppBase::LevelInfo> currentLevelInfo() = 0;
    // The screens are laid out for a landscape orientation.
    virtual bool landscape() const = 0;
    virtual void startGameView() = 0;
    virtual bool webJump(int32_t tgt, int32_t levelId) = 0;
    virtual bool webSubmitScore(const WebScore& score, int32_t levelId,
                                const std::optional<WebScore>& highScore, bool useHs) = 0;
    // The ad banner shown at the top of the screen; none in cores without ads.
    virtual std::shared_ptr<online::DuRezSupport> duRezSupport() const { return nullptr; }
};

}  // namespace app
