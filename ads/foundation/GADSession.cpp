#include "ads/foundation/GADSession.h"

#include <cstdint>
#include <cstring>
#include <random>

#include "platform/storage/SecureRandom.h"

namespace ads {

std::shared_ptr<GADSession> GADSession::create() {
    std::uint8_t bytes[8];
    std::uint64_t id = 0;
    if (platform::SecureRandom::fill(bytes, sizeof bytes)) {
        std::memcpy(&id, bytes, sizeof id);
    } else {
        // Without the kernel's generator the id only has to tell runs apart.
        std::random_device device;
        id = (static_cast<std::uint64_t>(device()) << 32) ^ device();
    }
    return std::make_shared<GADSession>(Private{}, std::to_string(id));
}

}  // namespace ads
