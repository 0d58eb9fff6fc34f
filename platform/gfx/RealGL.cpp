#include "platform/gfx/RealGL.h"

#include <EGL/egl.h>

namespace platform::gfx {

namespace {

// What glGenFramebuffersOES hands out without the extension: no framebuffer at all.
void noFramebufferNames(GLsizei n, GLuint* framebuffers) {
    for (GLsizei i = 0; framebuffers && i < n; ++i) framebuffers[i] = 0;
}

}  // namespace

RealGL& RealGL::shared() {
    static RealGL table;
    return table;
}

#define MOVU_REAL_GL_FORWARD(ret, name, params, args) \
    ret RealGL::name params {                         \
        return ::name args;                           \
    }
MOVU_GLES1_CALLS(MOVU_REAL_GL_FORWARD)
#undef MOVU_REAL_GL_FORWARD

void RealGL::loadExtensions() {
    if (extensionsLoaded_) return;
    extensionsLoaded_ = true;
#define MOVU_REAL_GL_LOAD(type, ret, name, params, args, missing) \
    name##_ = reinterpret_cast<type>(eglGetProcAddress(#name));
    MOVU_GLES1_EXTENSION_CALLS(MOVU_REAL_GL_LOAD)
#undef MOVU_REAL_GL_LOAD
}

bool RealGL::hasFramebufferObjects() {
    loadExtensions();
    // The extension counts only when every one of its entry points is there.
#define MOVU_REAL_GL_FOUND(type, ret, name, params, args, missing) &&name##_
    return true MOVU_GLES1_EXTENSION_CALLS(MOVU_REAL_GL_FOUND);
#undef MOVU_REAL_GL_FOUND
}

#define MOVU_REAL_GL_FORWARD_EXTENSION(type, ret, name, params, args, missing) \
    ret RealGL::name params {                                                  \
        if (!hasFramebufferObjects()) return missing;                          \
        return name##_ args;                                                   \
    }
MOVU_GLES1_EXTENSION_CALLS(MOVU_REAL_GL_FORWARD_EXTENSION)
#undef MOVU_REAL_GL_FORWARD_EXTENSION

}  // namespace platform::gfx
