#pragma once

// An app core that only serves what a running game asks for (pictures by index, a text factory,
// the contents scale, the current level) and answers everything else with nothing: no sound, no
// alerts, no settings written.

#include <map>
#include <memory>

#include "appbase/ShellInterfaces.h"

namespace gametest {

class QuietAppCore : public JTAppBase::ShellAppCore {
  public:
    std::shared_ptr<JTAppBase::ShellTexture> texture(int index) override;
    JTAppBase::TextTextureFactory* textTextureFactory() override { return textFactory; }
    float contentsScaleValue() override { return scale; }
    int32_t currentLevelId() override { return currentLevel; }
    void setCurrentLevelId(int32_t id) override { currentLevel = id; }
    void saveSettings() override {}
    void startTitleView() override {}
    void transitionAnimation(int, double) override {}
    bool isIPad() override { return false; }
    void showSimpleAlert(const std::string&, const std::string&) override {}
    std::shared_ptr<JTAppBase::ShellSound> sound(int) override { return nullptr; }
    std::shared_ptr<JTAppBase::ShellSound> music(int) override { return nullptr; }
    void stopLoopingEffects(bool, bool) override {}
    bool musicIsEnabled() override { return false; }

    std::map<int, std::shared_ptr<JTAppBase::ShellTexture>> textures;
    // Not owned; the subclass or the test keeps it alive.
    JTAppBase::TextTextureFactory* textFactory = nullptr;
    float scale = 1.0f;
    int32_t currentLevel = 0;
};

}  // namespace gametest
