#pragma once

// Base of the three tool tabs (scores, settings, about): the tab's content scrolls inside its
// scroll view, and "Done" in the navigation bar closes the tools back to the title screen.
// Each tab sits in a navigation controller inside the app core's tab bar controller.

#include <memory>
#include <string>
#include <vector>

#include "app/screens/ViewControllerBase.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/View.h"

namespace app {

class AppCoreBase;

class ToolViewControllerBase : public ViewControllerBase {
  public:
    explicit ToolViewControllerBase(std::string nibName = {});
    const char* className() const override { return "ToolViewControllerBase"; }

    // The scores, settings and about tabs in that order, each set up and loaded from its
    // interface file ("Scores" + suffix + "_Free", "SettingsTool" + suffix, "AboutTool"); the
    // portrait file stands in for one the suffix has none of.
    static std::vector<std::shared_ptr<ViewControllerBase>> makeToolsViewContents(
        const std::string& nibSuffix);

    void setup() override;
    // Closes the tools and returns to the title screen.
    void stop() override;
    void loadView() override;
    void viewWillAppear(bool animated) override;

    const std::shared_ptr<platform::ui::ScrollView>& scrollView() const { return scrollView_; }
    const std::shared_ptr<platform::ui::View>& contentView() const { return contentView_; }

  protected:
    // The full app core; empty once it is gone (or when the screen runs under another core).
    std::shared_ptr<AppCoreBase> core() const;
    // The view action sheets of the tools are shown in: the tab bar controller's, else ours.
    std::shared_ptr<platform::ui::View> sheetHostView();

  private:
    void labelTabs();

    std::shared_ptr<platform::ui::ScrollView> scrollView_;
    std::shared_ptr<platform::ui::View> contentView_;
};

}  // namespace app
