#pragma once

// The game's settings tab: the settings screen as it is; the game adds no settings of its own.

#include <memory>
#include <string>

#include "app/screens/SettingsToolViewController.h"

namespace app {

class MySettingsToolViewController : public SettingsToolViewController {
  public:
    explicit MySettingsToolViewController(std::string nibName = "SettingsTool_Portrait")
        : SettingsToolViewController(std::move(nibName)) {}
    const char* className() const override { return "MySettingsToolViewController"; }

    void updateView() override;
    void willSaveSettings() override;
};

}  // namespace app
