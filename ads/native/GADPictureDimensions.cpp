#include "ads/native/GADPictureDimensions.h"

#include "platform/gfx/Image.h"

namespace ads {

std::optional<GADPictureDimensions> GADPictureDimensionsOf(const std::uint8_t* bytes,
                                                           std::size_t size) {
    // The decoder's own header reader: a walk of our own would read some markers differently
    // from libjpeg (a stuffed "FF 00", say) and could be shown a frame the decoder never uses.
    const auto found = platform::gfx::Image::readSize(bytes, size);
    if (!found) return std::nullopt;
    return GADPictureDimensions{found->width, found->height};
}

}  // namespace ads
