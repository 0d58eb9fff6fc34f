#include "ads/slot/GADCorrelator.h"

#include <random>

#include "platform/storage/SecureRandom.h"

namespace ads {

namespace {

std::uint32_t randomNonZeroID() {
    for (int attempt = 0; attempt < 8; ++attempt) {
        std::uint32_t id = 0;
        if (platform::SecureRandom::fill(&id, sizeof id) && id != 0) {
            return id;
        }
    }
    // The kernel's generator failed: the id only has to differ between groups of ad views,
    // so the library's own source is good enough.
    std::random_device device;
    std::uniform_int_distribution<std::uint32_t> draw(1);
    return draw(device);
}

}  // namespace

std::shared_ptr<GADCorrelator> GADCorrelator::create() {
    return create(randomNonZeroID());
}

}  // namespace ads
