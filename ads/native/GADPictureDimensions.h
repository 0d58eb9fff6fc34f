#pragma once

// The width and height a PNG or JPEG file announces, read from its header alone, so that a
// picture too large to decode is refused before any pixel memory is taken. Untrusted bytes:
// anything that is not a well-formed header answers nothing.

#include <cstddef>
#include <cstdint>
#include <optional>

namespace ads {

struct GADPictureDimensions {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

std::optional<GADPictureDimensions> GADPictureDimensionsOf(const std::uint8_t* bytes,
                                                           std::size_t size);

}  // namespace ads
