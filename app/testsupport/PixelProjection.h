#pragma once

namespace app {

// One GL unit per pixel of a width x height surface, y upwards from the bottom left, as the game
// view projects its frame; the model-view matrix is reset.
void SetPixelProjection(int width, int height);

}  // namespace app
