#pragma once

// What the title screen and its level choice need of the app core.

#include <cstdint>
#include <memory>
#include <string>

#include "app/screens/AppCoreScreens.h"
#include "appbase/JTAppContext.h"
#include "appbase/ShellInterfaces.h"

namespace app {

class SimpleSelectView;

class TitleViewCore : public virtual AppCoreScreens {
  public:
    virtual JTAppBase::JTAppContextPtr appContext() const = 0;
    virtual std::string appCopyrightString() const = 0;
    virtual int32_t currentLevelId() = 0;
    virtual void setCurrentLevelId(int32_t id) = 0;
    virtual std::shared_ptr<JTAppBase::LevelInfo> currentLevelInfo() = 0;
    // The current level may ask for another orientation; answers whether it changed.
    virtual bool updateInterfaceOrientation() = 0;
    // The shared selection screen, made on first use.
    virtual std::shared_ptr<SimpleSelectView> simpleSelectView() = 0;
    virtual void startGameViewFromTitle() = 0;
    virtual void startToolsView() = 0;
    // Opens a page of the web service (0: no level); answers whether it went out.
    virtual bool webJump(int32_t tgt, int32_t levelId) = 0;
};

}  // namespace app
