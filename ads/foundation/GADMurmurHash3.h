#pragma once

// MurmurHash3, the 32-bit x86 variant: a fast, well-spread hash of bytes. Content hashing
// hashes every shingle of the page's text with it, and the server compares the numbers, so the
// function is the published one bit for bit (little-endian blocks, whatever the machine).

#include <cstdint>

namespace ads {

// Nothing is read when `length` is 0, so `bytes` may then be null.
std::uint32_t GADMurmurHash3(const void* bytes, std::uint64_t length, std::uint32_t seed);

}  // namespace ads
