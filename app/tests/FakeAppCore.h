#pragma once

// An app core for screen tests: records every call the screens make and keeps the settings
// the way the real one does (volume 0..3, "OFF" for 0).

#include <memory>
#include <string>
#include <vector>

#include "app/screens/AppCoreScreens.h"
#include "app/screens/ViewControllerBase.h"
#include "platform/ui/Window.h"

class FakeAppCore : public app::AppCoreScreens {
  public:
    std::shared_ptr<platform::ui::Window> window() const override { return window_; }
    void setRootViewController(std::shared_ptr<app::ViewControllerBase> vc) override {
        root = std::move(vc);
    }
    platform::ui::InterfaceOrientation interfaceOrientation() const override { return orientation; }
    std::string soundVolumeString() const override {
        return volume == 0 ? "OFF" : std::to_string(volume);
    }
    int toggleSoundVolume() override {
        volume = (volume + 1) % 4;
        calls.push_back("toggle");
        return volume;
    }
    void saveSettings() override {
        savedVolumes.push_back(volume);
        calls.push_back("save");
    }
    void updateSoundSetting() override { calls.push_back("updateSound"); }
    void startTitleView() override { calls.push_back("startTitle"); }
    void resumeGameView() override { calls.push_back("resume"); }
    void stopGameView() override { calls.push_back("stopGame"); }
    JTAppBase::JTScenePtr currentGameScene() const override { return scene; }
    void transitionAnimation(platform::ui::AnimationTransition kind, double duration) override {
        calls.push_back("transition " + std::to_string(static_cast<int>(kind)) + " " +
                        std::to_string(int(duration * 1000)) + "ms");
    }

    std::shared_ptr<platform::ui::Window> window_ = platform::ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<app::ViewControllerBase> root;
    platform::ui::InterfaceOrientation orientation = platform::ui::OrientationPortrait;
    int volume = 2;
    std::vector<int> savedVolumes;
    std::vector<std::string> calls;
    JTAppBase::JTScenePtr scene;
};
