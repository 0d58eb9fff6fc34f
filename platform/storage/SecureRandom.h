#pragma once

// Random bytes fit for identifiers and secrets, from the kernel (getrandom). Tests can make
// the generator fail to exercise the callers' fallbacks.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace platform {

class SecureRandom {
  public:
    // Fills all count bytes or answers false (and leaves the buffer zeroed, so a caller that
    // ignores the answer never uses half-random bytes).
    static bool fill(void* bytes, std::size_t count);
    static std::optional<std::vector<std::uint8_t>> bytes(std::size_t count);

    static void setFailForTesting(bool fail);
};

}  // namespace platform
