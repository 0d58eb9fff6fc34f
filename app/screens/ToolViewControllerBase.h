#pragma once

// Base of the three tool tabs (scores, settings, about): the tab's content scrolls inside its
// scroll view, and "Done" in the navigation bar closes the tools back to the title screen.
// Each tab sits in a navigation controller inside the app core's tab bar controller.

#include <memory>
#include <string>
#include <vector>

#include "app/screens/ToolsCore.h"
#include "app/screens/ViewControllerBase.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/View.h"

namespace app {

class ToolViewControllerBase : public ViewControllerBase {
  public:
    explicit ToolViewControllerBase(std::string nibName = {});
    const char* className() const override { return "ToolViewControllerBase"; }

    void setup() override;
    // Closes the tools and returns to the title screen.
    void stop() override;
    void loadView() override;
    void viewWillAppear(bool animated) override;

    const std::shared_ptr<platform::ui::ScrollView>& scrollView() const { return scrollView_; }
    const std::shared_ptr<platform::ui::View>& contentView() const { return contentView_; }

  protected:
    // The part of the app core every tab needs; empty once it is gone.
    std::shared_ptr<ToolsCore> core() const { return toolsCore_.lock(); }
    // For the tabs' own setters: every screen's part of the app core and the tools' own.
    void setToolsCore(std::weak_ptr<ToolsCore> core);
    // The view action sheets of the tools are shown in: the tab bar controller's, else ours.
    std::shared_ptr<platform::ui::View> sheetHostView();

  private:
    std::weak_ptr<ToolsCore> toolsCore_;
    void labelTabs();

    std::shared_ptr<platform::ui::ScrollView> scrollView_;
    std::shared_ptr<platform::ui::View> contentView_;
};

}  // namespace app
