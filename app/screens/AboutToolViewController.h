#pragma once

// The about tab: the program's name, version and copyright over the bundle's "AboutMessage.txt",
// and a button that opens the maker's privacy policy in the browser.

#include <memory>
#include <string>

#include "app/screens/AboutToolCore.h"
#include "app/screens/ToolViewControllerBase.h"
#include "platform/ui/TextView.h"

namespace app {

class AboutToolViewController : public ToolViewControllerBase {
  public:
    static constexpr const char* kTabImage = "icon_question.png";
    // Larger texts are not an about message; they are not shown.
    static constexpr std::size_t kMaxAboutMessageBytes = 64 * 1024;

    explicit AboutToolViewController(std::string nibName = "AboutTool");
    const char* className() const override { return "AboutToolViewController"; }

    // Every screen's part of the app core, the tools' and this tab's own.
    void setAppCore(std::weak_ptr<AboutToolCore> core);

    void setup() override;
    void viewWillAppear(bool animated) override;

    // The bundle's "AboutMessage.txt" as UTF-8; empty when missing, unreadable, too large or
    // not UTF-8.
    static std::string aboutMessage();
    // The privacy page on the maker's web host.
    static std::string privacyPolicyUrl(const std::string& iphoneWebUrl);

    const std::shared_ptr<platform::ui::TextView>& aboutTextView() const { return aboutTextView_; }

  private:
    // The interface's buttons, bound by name when the screen is made.
    void onPrivacyPolicyButton();

    std::shared_ptr<AboutToolCore> aboutCore() const { return aboutCore_.lock(); }
    // Name, version and copyright lines, a blank line, then the message.
    static std::string aboutText(const std::string& displayName, const std::string& version,
                                 const std::string& copyright, const std::string& message);
    std::weak_ptr<AboutToolCore> aboutCore_;
    std::shared_ptr<platform::ui::TextView> aboutTextView_;
};

}  // namespace app
