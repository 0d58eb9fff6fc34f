#pragma once

// Which of the bundle's picture sets the screens draw with: index 1 (scale 1), 2 (1.5) or 3
// (2). It follows the main screen's scale and the player's setting (0 automatic, 1..3 a set;
// a stored value above 3 means the sharpest). A screen of scale 1 offers no choice: index 1.
// Pure apart from reading the main screen's scale. Main thread only.

#include <cstdint>

namespace app {

class DrawingResolution {
  public:
    // The screen's scale, a tablet of scale 1 counting as 2: it shows the phone's layout
    // doubled, so it deserves the sharp pictures.
    static float displayContentsScale(bool tablet);
    static bool supportsContentsScale(bool tablet) { return displayContentsScale(tablet) > 1.01f; }
    static int32_t defaultContentsScaleIndex(bool tablet);
    static float contentsScaleValueFromIndex(int32_t index);

    // Chooses the index from the setting; returns it.
    int32_t update(int32_t setting, bool tablet);
    int32_t index() const { return index_; }
    float value() const { return contentsScaleValueFromIndex(index_); }

  private:
    int32_t index_ = 0;
};

}  // namespace app
