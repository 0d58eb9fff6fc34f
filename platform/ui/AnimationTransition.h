#pragma once

// The animated screen changes a window can show. The game core asks for them by these numbers,
// so a value never changes.

namespace platform::ui {

enum class AnimationTransition : int {
    None = 0,
    FlipFromLeft = 1,
    FlipFromRight = 2,
    CurlUp = 3,
    CurlDown = 4,
};

}  // namespace platform::ui
