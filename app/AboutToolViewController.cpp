#include "app/AboutToolViewController.h"

#include <fstream>
#include <iterator>

#include "app/AppCoreBase.h"
#include "platform/storage/Bundle.h"
#include "platform/ui/Application.h"

namespace {

// Well-formed UTF-8 only: no stray continuation bytes, no overlong forms, no surrogates,
// nothing beyond U+10FFFF.
bool isUtf8(const std::string& s) {
    std::size_t i = 0;
    const std::size_t n = s.size();
    while (i < n) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t len = 0;
        uint32_t cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            len = 2;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + len > n) return false;
        for (std::size_t k = 1; k < len; ++k) {
            const auto cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        static constexpr uint32_t kMinOfLength[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < kMinOfLength[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += len;
    }
    return true;
}

}  // namespace

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
    std::ifstream in(*path, std::ios::binary);
    if (!in) return {};
    std::string text;
    text.resize(kMaxAboutMessageBytes + 1);
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMaxAboutMessageBytes || !isUtf8(text)) return {};
    return text;
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
    auto c = core();
    if (!c) return;
    aboutTextView_->setText(aboutText(c->appDisplayName(), c->appVersionString(),
                                      c->appCopyrightString(), aboutMessage()));
}

void AboutToolViewController::onPrivacyPolicyButton() {
    auto c = core();
    if (!c) return;
    platform::ui::Application::shared().openURL(privacyPolicyUrl(c->iphoneWebUrl()));
}
