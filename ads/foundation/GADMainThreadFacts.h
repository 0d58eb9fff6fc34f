#pragma once

// What an ad request needs from the main thread: the interface orientation as it is now and
// the signal component's text (both read views, the screen and the status bar). They are
// collected on the main thread into this value, which the request's and the device's
// parameters take on any queue, so building parameters never has to wait for the main thread.

#include <optional>
#include <string>

namespace ads {

struct GADMainThreadFacts {
    // The status bar's interface orientation (1 portrait, 2 upside down, 3 and 4 landscape).
    int statusBarOrientation = 1;
    // The signal component's "key=value" text; nothing when it had none.
    std::optional<std::string> signal;
};

}  // namespace ads
