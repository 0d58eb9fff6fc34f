#pragma once

// The system version as three numbers, compared the way version checks read: part by part.

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

namespace ads {

struct GADOperatingSystemVersion {
    std::int64_t majorVersion = 0;
    std::int64_t minorVersion = 0;
    std::int64_t patchVersion = 0;

    // The text split at ".", padded with zeros to three parts or cut to the first three; each
    // part by its leading number ("8.4.1.2" gives 8.4.1, "9.1" 9.1.0, "x" 0.0.0).
    static GADOperatingSystemVersion fromString(std::string_view text);
    // "8.4.0"
    std::string toString() const;

    friend auto operator<=>(const GADOperatingSystemVersion&,
                            const GADOperatingSystemVersion&) = default;
};

}  // namespace ads
