#pragma once

#include "platform/gfx/GLES1.h"

namespace platform::gfx {

// The call table that goes straight to Mesa's libGLESv1_CM. The framebuffer-object entry points
// are an extension that the library does not export, so they are looked up through EGL the first
// time they are needed; without them the calls do nothing and the status check fails.
class RealGL final : public GLES1 {
  public:
    static RealGL& shared();

#define MOVU_REAL_GL_DECLARE(ret, name, params, args) ret name params override;
#define MOVU_REAL_GL_DECLARE_EXTENSION(type, ret, name, params, args, missing) \
    MOVU_REAL_GL_DECLARE(ret, name, params, args)
    MOVU_GLES1_CALLS(MOVU_REAL_GL_DECLARE)
    MOVU_GLES1_EXTENSION_CALLS(MOVU_REAL_GL_DECLARE_EXTENSION)
#undef MOVU_REAL_GL_DECLARE_EXTENSION
#undef MOVU_REAL_GL_DECLARE

    // Whether the framebuffer-object extension could be found.
    bool hasFramebufferObjects();

  private:
    RealGL() = default;
    void loadExtensions();

    bool extensionsLoaded_ = false;
#define MOVU_REAL_GL_POINTER(type, ret, name, params, args, missing) type name##_ = nullptr;
    MOVU_GLES1_EXTENSION_CALLS(MOVU_REAL_GL_POINTER)
#undef MOVU_REAL_GL_POINTER
};

}  // namespace platform::gfx
