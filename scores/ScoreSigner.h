#pragma once

// Signs a level's stored scores with the game's secret key, so a score edited in the file or
// copied from another level does not count. The app core hands one to whoever opens a score
// file; a signer without a key signs nothing, and a score file is then neither read nor
// written (every stored score would look forged, and writing would drop them).

#include <cstdint>
#include <optional>
#include <string>

namespace scores {

class ScoreSigner {
  public:
    ScoreSigner() = default;
    explicit ScoreSigner(std::string secretKey) : secretKey_(std::move(secretKey)) {}

    bool canSign() const { return secretKey_.has_value(); }
    // The checksum of one score of the level; empty without a key.
    std::optional<uint32_t> sign(int32_t levelId, int32_t score, uint64_t dateNumber) const;
    // The reflected CRC-32 of "<key>,<level id>,<score as unsigned>,<date as unsigned 32 bit>",
    // which the web service checks too.
    static uint32_t hashOf(const std::string& secretKey, int32_t levelId, int32_t score,
                           uint64_t dateNumber);

  private:
    std::optional<std::string> secretKey_;
};

}  // namespace scores
