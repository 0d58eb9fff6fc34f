#pragma once

// What a partial answer (status 206) says its body holds: "Content-Range: bytes
// <first>-<last>/<complete>", the complete length "*" when the server does not know it. The
// text is the server's: anything else (another unit, the unsatisfied form "bytes */<n>", a
// number that does not fit, a last byte before the first or past the end) is no range.

#include <cstdint>
#include <optional>
#include <string_view>

namespace platform {

struct ContentRange {
    std::uint64_t first = 0;
    std::uint64_t last = 0;  // inclusive
    std::optional<std::uint64_t> complete;

    bool operator==(const ContentRange&) const = default;
};

std::optional<ContentRange> parseContentRange(std::string_view value);

}  // namespace platform
