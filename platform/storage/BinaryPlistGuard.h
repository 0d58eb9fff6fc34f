#pragma once

// Checks a binary property list before it reaches the parser. The parser follows object
// references recursively and copies an object each time it is referenced, so a small hostile
// file could nest deep enough to overflow the stack or fan out into billions of copies. This
// walk is iterative, bounds-checks every offset, and measures the depth and the size of the
// tree that parsing would build.

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

class BinaryPlistGuard {
  public:
    struct Limits {
        std::size_t maxDepth = 512;
        // Nodes and payload bytes of the fully expanded tree.
        std::size_t maxNodes = 4'000'000;
        std::size_t maxPayloadBytes = 512u * 1024 * 1024;
    };

    // True when the file is structurally sound and within the limits; else the reason.
    static bool check(std::string_view bytes, const Limits& limits, std::string* why);
};

}  // namespace platform
