#pragma once

// The game's settings tab: the settings screen as it is, with the game's own app core at hand.

#include <memory>
#include <string>

#include "app/screens/SettingsToolViewController.h"

namespace app {

class MyAppCore;

class MySettingsToolViewController : public SettingsToolViewController {
  public:
    explicit MySettingsToolViewController(std::string nibName = "SettingsTool_Portrait")
        : SettingsToolViewController(std::move(nibName)) {}
    const char* className() const override { return "MySettingsToolViewController"; }

    void updateView() override;
    void willSaveSettings() override;
    // Empty when the screen runs under another app core.
    std::shared_ptr<MyAppCore> myAppCore() const;
};

}  // namespace app
