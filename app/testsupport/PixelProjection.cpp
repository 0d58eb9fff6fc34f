#include "app/testsupport/PixelProjection.h"

#include "platform/gfx/GLES1.h"

namespace app {

void SetPixelProjection(int width, int height) {
    auto& g = platform::gfx::gl();
    g.glMatrixMode(GL_PROJECTION);
    g.glLoadIdentity();
    g.glOrthof(0, static_cast<GLfloat>(width), 0, static_cast<GLfloat>(height), -1, 1);
    g.glMatrixMode(GL_MODELVIEW);
    g.glLoadIdentity();
}

}  // namespace app
