#pragma once

#include <cstddef>
#include <cstdint>

// The reflected CRC-32 of zlib and IEEE 802.3 (polynomial 0xEDB88320, register starting at and
// finally flipped with 0xFFFFFFFF). Every web request's "ha" checksum, the score mask and the
// announcement files are checked with it, so it must match what the web service computes.
// Stateless: the announcement thread uses it too.

namespace util {

// The bytes before the terminating NUL; 0 for an empty string or no string.
uint32_t Crc32OfCString(const char* text);
// `length` bytes from `bytes`; 0 for a length of 0 or below (a negative length is a caller's
// mistake and must not turn into a read of billions of bytes) or no bytes.
uint32_t Crc32OfBytes(const void* bytes, int32_t length);
// Continues a CRC-32 over more bytes, as if they had followed the ones `previous` was computed
// over (start from 0). Lets a checksum cover a prefix and a large buffer without joining them.
uint32_t Crc32Append(uint32_t previous, const void* bytes, std::size_t length);

}  // namespace util
