#pragma once

// The width and height a PNG or JPEG file announces, read from its header alone by the
// decoder's own header reader (so it is the size the decoder would decode), without taking
// any pixel memory. Untrusted bytes: anything that is not a well-formed header answers
// nothing. The cap itself is checked by the decoder (GADNativeAdImage::decodeImage).

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
