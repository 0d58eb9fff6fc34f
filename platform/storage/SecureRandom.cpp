#include "platform/storage/SecureRandom.h"

#include <sys/random.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace platform {

namespace {
std::atomic<bool> gFail{false};
}

void SecureRandom::setFailForTesting(bool fail) {
    gFail.store(fail);
}

bool SecureRandom::fill(void* bytes, std::size_t count) {
    if (count == 0) return true;
    if (!bytes) return false;
    auto* out = static_cast<std::uint8_t*>(bytes);
    if (gFail.load()) {
        std::memset(out, 0, count);
        return false;
    }
    std::size_t done = 0;
    while (done < count) {
        ssize_t n = ::getrandom(out + done, count - done, 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            std::memset(out, 0, count);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::optional<std::vector<std::uint8_t>> SecureRandom::bytes(std::size_t count) {
    std::vector<std::uint8_t> out(count);
    if (!fill(out.data(), count)) return std::nullopt;
    return out;
}

}  // namespace platform
