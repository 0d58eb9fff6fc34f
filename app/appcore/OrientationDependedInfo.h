#pragma once

// The screens the app core keeps per interface orientation, laid out for it, made on first use
// and reused.

#include <cstdint>
#include <memory>

#include "platform/ui/InterfaceOrientation.h"

namespace app {

class AppGameView;
class PauseView;
class SimpleSelectView;
class ViewControllerBase;
class MyTabBarController;

class OrientationDependedInfo {
  public:
    std::shared_ptr<ViewControllerBase> titleView;
    std::shared_ptr<AppGameView> gameView;
    std::shared_ptr<PauseView> pauseView;
    std::shared_ptr<ViewControllerBase> gameOverView;
    std::shared_ptr<MyTabBarController> toolsView;
    std::shared_ptr<SimpleSelectView> simpleSelectView;

    // Records are indexed 0..3 for the orientations 1 (portrait), 3 (landscape right),
    // 2 (upside down), 4 (landscape left). Anything else maps to index 0 / orientation 1.
    static int indexOfInterfaceOrientation(platform::ui::InterfaceOrientation orientation);
    static platform::ui::InterfaceOrientation interfaceOrientationOfIndex(int index);
};

}  // namespace app
