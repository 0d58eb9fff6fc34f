#include "util/Crc32.h"

#include <cstring>

namespace util {

namespace {

uint32_t crc32Of(const unsigned char* p, std::size_t n, uint32_t previous = 0) {
    uint32_t crc = previous ^ 0xFFFFFFFFu;
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1u) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
        }
    }
    return crc ^ 0xFFFFFFFFu;
}

}  // namespace

uint32_t Crc32OfCString(const char* text) {
    if (text == nullptr) return 0;
    std::size_t n = std::strlen(text);
    if (n == 0) return 0;
    return crc32Of(reinterpret_cast<const unsigned char*>(text), n);
}

uint32_t Crc32OfBytes(const void* bytes, int32_t length) {
    if (bytes == nullptr || length <= 0) return 0;
    return crc32Of(static_cast<const unsigned char*>(bytes), static_cast<std::size_t>(length));
}

uint32_t Crc32Append(uint32_t previous, const void* bytes, std::size_t length) {
    if (bytes == nullptr || length == 0) return previous;
    return crc32Of(static_cast<const unsigned char*>(bytes), length, previous);
}

}  // namespace util
