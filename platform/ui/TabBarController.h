#pragma once

// Controllers side by side, one shown at a time, chosen with the tab bar at the bottom.

#include <memory>
#include <vector>

#include "platform/ui/ViewController.h"

namespace platform::ui {

class Button;

class TabBarController : public ViewController {
  public:
    static constexpr double kBarHeight = 49;

    static std::shared_ptr<TabBarController> create();
    const char* className() const override { return "UITabBarController"; }

    const std::vector<std::shared_ptr<ViewController>>& viewControllers() const { return tabs_; }
    void setViewControllers(std::vector<std::shared_ptr<ViewController>> vcs,
                            bool animated = false);
    // -1 when there are no tabs.
    int selectedIndex() const { return tabs_.empty() ? -1 : selected_; }
    // Out of range is ignored.
    void setSelectedIndex(int index);
    std::shared_ptr<ViewController> selectedViewController() const;

    std::shared_ptr<View> tabBar() const { return bar_; }
    std::shared_ptr<Button> tabButton(std::size_t i) const {
        return i < buttons_.size() ? buttons_[i] : nullptr;
    }

    void loadView() override;

  protected:
    void titleDidChange() override { rebuildBar(); }

  private:
    void show(const std::shared_ptr<ViewController>& previous);
    void rebuildBar();

    std::vector<std::shared_ptr<ViewController>> tabs_;
    int selected_ = 0;
    std::shared_ptr<View> bar_;
    std::vector<std::shared_ptr<Button>> buttons_;
};

}  // namespace platform::ui
