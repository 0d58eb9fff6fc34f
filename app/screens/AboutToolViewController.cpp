#include "app/screens/AboutToolViewController.h"

#include "platform/base/Unicode.h"
#include "platform/storage/AtomicFile.h"
#include "platform/storage/Bundle.h"
#include "platform/ui/Application.h"

namespace app {

AboutToolViewController::AboutToolViewController(std::string nibName)
    : ToolViewControllerBase(std::move(nibName)) {
    outlet("aboutTextView", aboutTextView_);
    action("onPrivacyPolicyButton", [this](platform::ui::Control*) { onPrivacyPolicyButton(); });
}

void AboutToolViewController::setup() {
    ToolViewControllerBase::setup();
    tabBarItem().imageName = kTabImage;
    tabBarItem().title = "About";
    setTitle("About this app");
}

std::string AboutToolViewController::aboutMessage() {
    auto bundle = platform::Bundle::mainBundle();
    auto path = bundle ? bundle->pathForResource("AboutMessage", "txt") : std::nullopt;
    if (!path) return {};
    // A larger file is refused unread.
    auto text = platform::AtomicFile::read(*path, nullptr, kMaxAboutMessageBytes);
    if (!text || !platform::isValidUtf8(*text)) return {};
    return *text;
}

std::string AboutToolViewController::aboutText(const std::string& displayName,
                                               const std::string& version,
                                               const std::string& copyright,
                                               const std::string& message) {
    return displayName + "\nVersion " + version + "\n" + copyright + "\n\n" + message;
}

std::string AboutToolViewController::privacyPolicyUrl(const std::string& iphoneWebUrl) {
    // The web service's base ends in "/iphone/".
    std::string base = iphoneWebUrl;
    if (base.empty() || base.back() != '/') base += '/';
    return base + "page/privacy";
}

void AboutToolViewController::viewWillAppear(bool animated) {
    ToolViewControllerBase::viewWillAppear(animated);
    if (!aboutTextView_) return;
    auto c = aboutCore();
    if (!c) return;
    aboutTextView_->setText(aboutText(c->appDisplayName(), c->appVersionString(),
                                      c->appCopyrightString(), aboutMessage()));
}

void AboutToolViewController::onPrivacyPolicyButton() {
    auto c = aboutCore();
    if (!c) return;
    platform::ui::Application::shared().openURL(privacyPolicyUrl(c->iphoneWebUrl()));
}

void AboutToolViewController::setAppCore(std::weak_ptr<AboutToolCore> core) {
    setToolsCore(core);
    aboutCore_ = std::move(core);
}

}  // namespace app
