#pragma once

// What every tool tab needs of the app core: closing the tools.

#include "app/screens/AppCoreScreens.h"

namespace app {

class ToolsCore : public virtual AppCoreScreens {
  public:
    // Takes the tools off the window (the caller shows the next screen).
    virtual void stopToolsView() = 0;
};

}  // namespace app
