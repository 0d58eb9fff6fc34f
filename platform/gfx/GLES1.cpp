#include "platform/gfx/GLES1.h"

#include "platform/gfx/RealGL.h"

namespace platform::gfx {

namespace {

GLES1* installed = nullptr;

}  // namespace

GLES1& gl() {
    if (installed) return *installed;
    return RealGL::shared();
}

void setGL(GLES1* table) {
    installed = table;
}

ScopedGL::ScopedGL(GLES1& table) : previous_(installed) {
    installed = &table;
}

ScopedGL::~ScopedGL() {
    installed = previous_;
}

}  // namespace platform::gfx
