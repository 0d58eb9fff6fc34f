#pragma once

// A stack of controllers under a navigation bar. The top controller's view fills the space
// below the bar; its navigation item fills the bar.

#include <memory>
#include <vector>

#include "platform/ui/Geometry.h"
#include "platform/ui/ViewController.h"

namespace platform::ui {

class Button;
class Label;

class NavigationController : public ViewController {
  public:
    static constexpr double kBarHeight = 44;

    static std::shared_ptr<NavigationController> create(
        const std::shared_ptr<ViewController>& root = nullptr);
    const char* className() const override { return "UINavigationController"; }

    const std::vector<std::shared_ptr<ViewController>>& viewControllers() const { return stack_; }
    void setViewControllers(std::vector<std::shared_ptr<ViewController>> vcs,
                            bool animated = false);
    std::shared_ptr<ViewController> topViewController() const {
        return stack_.empty() ? nullptr : stack_.back();
    }
    void pushViewController(const std::shared_ptr<ViewController>& vc, bool animated = false);
    // The root stays: popping it answers nullptr.
    std::shared_ptr<ViewController> popViewController(bool animated = false);
    void popToRootViewController(bool animated = false);

    bool isNavigationBarHidden() const { return barHidden_; }
    void setNavigationBarHidden(bool hidden, bool animated = false);

    // The bar's pieces, for tests and the compositor.
    std::shared_ptr<View> navigationBar() const { return bar_; }
    std::shared_ptr<Label> titleLabel() const { return titleLabel_; }
    std::shared_ptr<Button> leftButton() const { return leftButton_; }
    std::shared_ptr<Button> rightButton() const { return rightButton_; }

    void loadView() override;

  protected:
    void titleDidChange() override { updateBar(); }

  private:
    void showTop(const std::shared_ptr<ViewController>& previous);
    void updateBar();
    Rect contentFrame() const;

    std::vector<std::shared_ptr<ViewController>> stack_;
    std::shared_ptr<View> bar_;
    std::shared_ptr<Label> titleLabel_;
    std::shared_ptr<Button> leftButton_;
    std::shared_ptr<Button> rightButton_;
    std::shared_ptr<BarButtonItem> backItem_;
    bool barHidden_ = false;
};

}  // namespace platform::ui
