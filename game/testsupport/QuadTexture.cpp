#include "game/testsupport/QuadTexture.h"

using platform::gfx::gl;

namespace gametest {

void QuadTexture::drawAtPoint(platform::Point p) {
    drawInRect(platform::Rect(p.x - 16, p.y - 16, 32, 32));
}

void QuadTexture::drawInRect(platform::Rect r) {
    const float x0 = static_cast<float>(r.origin.x), y0 = static_cast<float>(r.origin.y);
    const float x1 = x0 + static_cast<float>(r.size.width);
    const float y1 = y0 + static_cast<float>(r.size.height);
    const float vertices[] = {x0, y0, x1, y0, x0, y1, x1, y1};
    gl().glBindTexture(GL_TEXTURE_2D, id_);
    gl().glVertexPointer(2, GL_FLOAT, 0, vertices);
    gl().glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

std::shared_ptr<JTAppBase::ShellTexture> QuadTextFactory::newTextTexture(const std::string&,
                                                                         platform::Size, int,
                                                                         const std::string&, double,
                                                                         float) {
    return std::make_shared<QuadTexture>(kLabelTexture, JTAppBase::ShellTexture::kA8);
}

}  // namespace gametest
