#include "ads/foundation/GADMurmurHash3.h"

namespace ads {

namespace {

constexpr std::uint32_t kC1 = 0xcc9e2d51;
constexpr std::uint32_t kC2 = 0x1b873593;

constexpr std::uint32_t rotl(std::uint32_t x, int r) {
    return (x << r) | (x >> (32 - r));
}

// Block reads by bytes: the input need not be aligned, and the result must not depend on the
// machine's byte order.
std::uint32_t readBlock(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint32_t mixBlock(std::uint32_t k) {
    k *= kC1;
    k = rotl(k, 15);
    return k * kC2;
}

}  // namespace

std::uint32_t GADMurmurHash3(const void* bytes, std::uint64_t length, std::uint32_t seed) {
    const auto* data = static_cast<const std::uint8_t*>(bytes);
    if (!data) length = 0;
    std::uint32_t h = seed;
    const std::uint64_t blocks = length / 4;
    for (std::uint64_t i = 0; i < blocks; ++i) {
        h ^= mixBlock(readBlock(data + i * 4));
        h = rotl(h, 13);
        h = h * 5 + 0xe6546b64;
    }
    std::uint32_t k = 0;
    const std::uint8_t* tail = (length & 3) ? data + blocks * 4 : nullptr;
    switch (length & 3) {
        case 3:
            k ^= static_cast<std::uint32_t>(tail[2]) << 16;
            [[fallthrough]];
        case 2:
            k ^= static_cast<std::uint32_t>(tail[1]) << 8;
            [[fallthrough]];
        case 1:
            k ^= tail[0];
            h ^= mixBlock(k);
    }
    // The published function folds in the length as a 32-bit number.
    h ^= static_cast<std::uint32_t>(length);
    h ^= h >> 16;
    h *= 0x85ebca6b;
    h ^= h >> 13;
    h *= 0xc2b2ae35;
    h ^= h >> 16;
    return h;
}

}  // namespace ads
