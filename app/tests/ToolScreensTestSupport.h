#pragma once

// The tool tabs under the game's real app core: the interface files of the source tree, a
// stand-in title screen, two levels (one with a name, one without) and the tabs made by the
// app core's own factory.

#include <memory>
#include <string>

#include "AppCoreTestSupport.h"
#include "app/appcore/OrientationDependedInfo.h"
#include "app/screens/AboutToolViewController.h"
#include "app/screens/MySettingsToolViewController.h"
#include "app/screens/ScoreToolViewController.h"
#include "appbase/JTLevelManager.h"
#include "platform/device/Accelerometer.h"
#include "platform/ui/InterfaceLoader.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/TabBarController.h"
#include "platform/ui/Window.h"

namespace tools_test {

using namespace appcore_test;

constexpr int32_t kNamedLevel = 1;
constexpr int32_t kUnnamedLevel = 2;

class TwoLevels : public JTAppBase::JTLevelManager {
  public:
    explicit TwoLevels(const JTAppBase::JTAppContextPtr& context) : JTLevelManager(context) {}
    void initLevels(const JTCore::JTArrayListPtr& levels) override {
        auto named = newLevelInfo(kNamedLevel);
        named->setTitle(JTCore::NewJTString("Level: Normal"));
        named->setWebLevelId(501);
        levels->add(named);
        levels->add(newLevelInfo(kUnnamedLevel));
    }
    void startLevel(int32_t) override {}
};

class ToolsAppCore : public TestAppCore {
  public:
    std::vector<std::shared_ptr<app::ViewControllerBase>> makeToolsViewContents() override {
        return programScreens.createToolsViewContents(*this);
    }
    std::vector<std::string> transitions;
    void transitionAnimation(platform::ui::AnimationTransition kind, double duration) override {
        transitions.push_back(std::to_string(static_cast<int>(kind)) + "/" +
                              std::to_string(duration));
        TestAppCore::transitionAnimation(kind, duration);
    }
    using TestAppCore::transitionAnimation;
};

class ToolScreensTest : public AppCoreTest {
  protected:
    ToolScreensTest() {
        platform::ui::InterfaceLoader::setSearchDirectory(std::string(MOVU_SOURCE_DIR) +
                                                          "/assets/ui");
        core = std::make_shared<ToolsAppCore>();
        core->withTitle = true;
        core->init();
        auto context = core->appContext();
        auto manager = JTCore::JTNew<TwoLevels>(context);
        context->setLevelManager(manager);
        manager->reset();
        core->setCurrentLevelId(kNamedLevel);
        core->applicationDidFinishLaunching(platform::ui::Application::shared());
        loop.runUntilIdle();
    }
    ~ToolScreensTest() override { platform::ui::InterfaceLoader::setSearchDirectory({}); }

    // Opens the tools as the title screen's settings button does.
    std::shared_ptr<app::MyTabBarController> openTools() {
        core->startToolsView();
        loop.runUntilIdle();
        return core->currentOrientationDependedInfo().toolsView;
    }
    template <typename T>
    std::shared_ptr<T> tab(int index) {
        auto tools = core->currentOrientationDependedInfo().toolsView;
        if (!tools || index >= int(tools->viewControllers().size())) return nullptr;
        auto nav = std::dynamic_pointer_cast<platform::ui::NavigationController>(
            tools->viewControllers()[std::size_t(index)]);
        return nav ? std::dynamic_pointer_cast<T>(nav->topViewController()) : nullptr;
    }
    template <typename T>
    std::shared_ptr<T> showTab(int index) {
        auto tools = openTools();
        if (!tools) return nullptr;
        tools->setSelectedIndex(index);
        loop.runUntilIdle();
        return tab<T>(index);
    }
    bool toolsOnScreen() const {
        auto tools = const_cast<ToolsAppCore&>(*core).currentOrientationDependedInfo().toolsView;
        return tools && core->window()->rootViewController() == tools && tools->isViewLoaded() &&
               tools->view()->window();
    }

    std::shared_ptr<ToolsAppCore> core;
};

}  // namespace tools_test
