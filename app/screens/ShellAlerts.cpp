#include "app/screens/ShellAlerts.h"

#include "app/textures/Texture2D.h"
#include "platform/gfx/GLES1.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"

namespace app {

void ShowSimpleAlert(const std::string& title, const std::string& message) {
    platform::ui::AlertView::create(title, message, {}, "OK")->show();
}

platform::ui::InterfaceOrientation CurrentStatusBarOrientation() {
    return platform::ui::Application::shared().statusBarOrientation();
}

void SetButtonTitle(platform::ui::Button& button, const std::string& title) {
    using namespace platform::ui;
    for (unsigned state : {unsigned(ControlStateNormal), unsigned(ControlStateSelected),
                           unsigned(ControlStateDisabled), unsigned(ControlStateHighlighted)})
        button.setTitle(title, state);
}

void SetNearestFilter(const Texture2D& texture) {
    auto& gl = platform::gfx::gl();
    gl.glBindTexture(GL_TEXTURE_2D, texture.name());
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
}

}  // namespace app
