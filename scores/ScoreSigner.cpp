#include "scores/ScoreSigner.h"

#include "util/Crc32.h"

namespace scores {

std::optional<uint32_t> ScoreSigner::sign(int32_t levelId, int32_t score,
                                          uint64_t dateNumber) const {
    if (!secretKey_) return std::nullopt;
    return hashOf(*secretKey_, levelId, score, dateNumber);
}

uint32_t ScoreSigner::hashOf(const std::string& secretKey, int32_t levelId, int32_t score,
                             uint64_t dateNumber) {
    const std::string text = secretKey + "," + std::to_string(levelId) + "," +
                             std::to_string(static_cast<uint32_t>(score)) + "," +
                             std::to_string(static_cast<uint32_t>(dateNumber));
    return util::Crc32OfBytes(text.data(), static_cast<int32_t>(text.size()));
}

}  // namespace scores
