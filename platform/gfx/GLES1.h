#pragma once

// The GL ES 1.1 call table. Everything that draws (the game core's canvas, textures, the
// compositor) calls GL through gl() instead of the C functions, so tests can swap in a recorder
// and the game core builds and runs without a GL context. The calls are listed in GLES1Calls.h.

#include "platform/gfx/GLES1Calls.h"

namespace platform::gfx {

class GLES1 {
  public:
    virtual ~GLES1() = default;

#define MOVU_GLES1_DECLARE(ret, name, params, args) virtual ret name params = 0;
#define MOVU_GLES1_DECLARE_EXTENSION(type, ret, name, params, args, missing) \
    MOVU_GLES1_DECLARE(ret, name, params, args)
    MOVU_GLES1_CALLS(MOVU_GLES1_DECLARE)
    MOVU_GLES1_EXTENSION_CALLS(MOVU_GLES1_DECLARE_EXTENSION)
#undef MOVU_GLES1_DECLARE_EXTENSION
#undef MOVU_GLES1_DECLARE
};

// The table in use: the real GL functions unless a test installed another one.
GLES1& gl();

// Installs a table (nullptr restores the real one). Not thread-safe: GL is used on the main
// thread only.
void setGL(GLES1* table);

// Installs a table for the lifetime of the scope.
class ScopedGL {
  public:
    explicit ScopedGL(GLES1& table);
    ~ScopedGL();
    ScopedGL(const ScopedGL&) = delete;
    ScopedGL& operator=(const ScopedGL&) = delete;

  private:
    GLES1* previous_;
};

}  // namespace platform::gfx
