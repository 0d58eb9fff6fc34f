#pragma once

// What the about tab needs of the app core: the names it shows and the web service's base.

#include <string>

#include "app/screens/ToolsCore.h"

namespace app {

class AboutToolCore : public virtual ToolsCore {
  public:
    virtual std::string appCopyrightString() const = 0;
    virtual const std::string& appDisplayName() const = 0;
    virtual std::string appVersionString() const = 0;
    // The web service base, ending in "/iphone/".
    virtual std::string iphoneWebUrl() const = 0;
};

}  // namespace app
