// Buffers read from the routing socket: the walk over message headers must stay inside the
// buffer whatever lengths the headers claim.

#include <cstring>
#include <vector>

#include "FuzzSupport.h"
#include "platform/device/Reachability.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // An exact-size copy, so a read past the end is caught even where libFuzzer's own
    // buffer would have room.
    std::vector<std::uint8_t> exact(data, data + size);
    bool touches = platform::Reachability::netlinkBufferTouchesInterfaces(exact.data(), size);
    // A longer buffer holding the same messages finds the same.
    exact.resize(size + 3, 0);
    std::memmove(exact.data() + 3, exact.data(), size);
    FUZZ_CHECK(platform::Reachability::netlinkBufferTouchesInterfaces(exact.data() + 3, size) ==
               touches);
    return 0;
}
