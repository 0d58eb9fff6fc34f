#include "ads/native/GADPictureDimensions.h"

#include <cstring>

namespace ads {

namespace {

std::uint32_t bigEndian32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 |
           std::uint32_t(p[3]);
}

std::uint32_t bigEndian16(const std::uint8_t* p) {
    return std::uint32_t(p[0]) << 8 | std::uint32_t(p[1]);
}

std::optional<GADPictureDimensions> pngDimensions(const std::uint8_t* bytes, std::size_t size) {
    static constexpr std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    // The signature, then the IHDR chunk: length 13, "IHDR", width, height.
    if (size < 24 || std::memcmp(bytes, kSignature, sizeof kSignature) != 0) return std::nullopt;
    if (bigEndian32(bytes + 8) != 13 || std::memcmp(bytes + 12, "IHDR", 4) != 0)
        return std::nullopt;
    return GADPictureDimensions{bigEndian32(bytes + 16), bigEndian32(bytes + 20)};
}

bool isStartOfFrame(std::uint8_t marker) {
    // SOF0-SOF15 except DHT (C4), JPG (C8) and DAC (CC).
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

std::optional<GADPictureDimensions> jpegDimensions(const std::uint8_t* bytes, std::size_t size) {
    if (size < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8) return std::nullopt;
    std::size_t at = 2;
    while (at + 4 <= size) {
        if (bytes[at] != 0xFF) return std::nullopt;
        const std::uint8_t marker = bytes[at + 1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
            at += 2;  // markers without a length
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA) return std::nullopt;  // no frame before the data
        const std::uint32_t length = bigEndian16(bytes + at + 2);
        if (length < 2) return std::nullopt;
        if (isStartOfFrame(marker)) {
            // Length, precision, height, width.
            if (length < 7 || at + 9 > size) return std::nullopt;
            return GADPictureDimensions{bigEndian16(bytes + at + 7), bigEndian16(bytes + at + 5)};
        }
        at += 2 + length;
    }
    return std::nullopt;
}

}  // namespace

std::optional<GADPictureDimensions> GADPictureDimensionsOf(const std::uint8_t* bytes,
                                                           std::size_t size) {
    if (!bytes) return std::nullopt;
    if (auto png = pngDimensions(bytes, size)) return png;
    return jpegDimensions(bytes, size);
}

}  // namespace ads
