#pragma once

// Posted on the default notification center around every full-screen ad of the app, with the
// screen's controller as object: every slot stops its reload timer on the first and starts it
// again on the second, whoever's ad it was. Mediated networks post the same names.

namespace ads {

inline constexpr const char* kAdModalViewControllerWillPresentFullScreen =
    "kAdModalViewControllerWillPresentFullScreen";
inline constexpr const char* kAdModalViewControllerDidDismissFullScreen =
    "kAdModalViewControllerDidDismissFullScreen";

}  // namespace ads
