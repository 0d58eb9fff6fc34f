#pragma once

// How every picture, text and view texture of the program is sampled: smoothed when scaled
// either way, and clamped at the edges so a quad never picks up texels from the opposite side.

#include "platform/gfx/GLES1.h"

namespace platform::gfx {

// Applies to the texture bound to GL_TEXTURE_2D.
void setSmoothClampedSampling(GLES1& g);

}  // namespace platform::gfx
