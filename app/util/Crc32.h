#pragma once

#include <cstdint>

// The reflected CRC-32 of zlib and IEEE 802.3 (polynomial 0xEDB88320, register starting at and
// finally flipped with 0xFFFFFFFF). Every web request's "ha" checksum, the score mask and the
// announcement files are checked with it, so it must match what the web service computes.
// Stateless: the announcement thread uses it too.

// The bytes before the terminating NUL; 0 for an empty string or no string.
uint32_t Crc32OfCString(const char* text);
// `length` bytes from `bytes`; 0 for a length of 0 or below (a negative length is a caller's
// mistake and must not turn into a read of billions of bytes) or no bytes.
uint32_t Crc32OfBytes(const void* bytes, int32_t length);
