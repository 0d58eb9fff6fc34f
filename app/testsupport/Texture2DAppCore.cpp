#include "app/testsupport/Texture2DAppCore.h"

#include "app/textures/Texture2D.h"
#include "platform/gfx/Image.h"

namespace app {

std::shared_ptr<JTAppBase::ShellTexture> Texture2DTextFactory::newTextTexture(
    const std::string& text, platform::Size dimensions, int alignment, const std::string& fontName,
    double fontSize, float scale) {
    return Texture2D::createWithString(text, dimensions, alignment, fontName, fontSize, scale);
}

Texture2DAppCore::Texture2DAppCore(const std::string& directory, const std::string& suffix,
                                   float scale) {
    const char* names[] = {"gameover", "movucar", "gotpts", "circle", "hamburger"};
    for (int i = 0; i < 5; ++i) {
        auto image = platform::gfx::Image::loadPng(directory + "/" + names[i] + suffix + ".png");
        if (image) textures[i] = Texture2D::createWithImage(&*image, scale);
    }
    textFactory = &factory_;
    this->scale = scale;
}

}  // namespace app
