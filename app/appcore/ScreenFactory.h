#pragma once

// The screens the app core shows, made when first needed: the one place that knows every
// concrete screen class and its interface file. The app core owns one and asks it with itself
// as the argument (for the orientation and the level manager); each screen gets only its own
// face of the app core's screen seams (AppCoreScreenSeams), never the app core. A screen this
// program has no class for answers nullptr, and the operation that would show it then changes
// nothing; tests hand the app core a factory of stand-ins that way.
//
// Main thread only; holds nothing, so it outlives nothing.

#include <memory>
#include <vector>

namespace app {

class AppCoreBase;
class AppGameView;
class PauseView;
class SimpleSelectView;
class ViewControllerBase;

class ScreenFactory {
  public:
    ScreenFactory() = default;
    virtual ~ScreenFactory() = default;
    ScreenFactory(const ScreenFactory&) = delete;
    ScreenFactory& operator=(const ScreenFactory&) = delete;

    virtual std::shared_ptr<ViewControllerBase> createTitleView(AppCoreBase& core);
    virtual std::shared_ptr<AppGameView> createGameView(AppCoreBase& core);
    virtual std::shared_ptr<PauseView> createPauseView(AppCoreBase& core);
    virtual std::shared_ptr<ViewControllerBase> createGameOverView(AppCoreBase& core);
    virtual std::shared_ptr<SimpleSelectView> createSimpleSelectView(AppCoreBase& core);
    // The score, settings and about tabs, in that order; empty when any of them is missing.
    virtual std::vector<std::shared_ptr<ViewControllerBase>> createToolsViewContents(
        AppCoreBase& core);
};

}  // namespace app
