#pragma once

// The game's app core: its identity at the web service, its tilt calibration, its game core and
// its pictures and sounds.

#include <memory>

#include "app/appcore/AppCoreBase.h"

namespace app {

class MyAppCore : public AppCoreBase {
  public:
    static constexpr int32_t kGameId = 1023;

    // Made and started up (settings read, account id ready), drawing into `context`.
    static std::shared_ptr<MyAppCore> create(
        std::shared_ptr<platform::gfx::GLContext> context = nullptr);

    void setup() override;
    void loadResources() override;

  protected:
    MyAppCore() = default;
};

}  // namespace app
