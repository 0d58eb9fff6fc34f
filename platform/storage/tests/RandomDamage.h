#pragma once

// Text with one to four random changes, for showing that readers survive damaged files: each
// change overwrites a character with one of `alphabet`, or else drops it (`insertInstead`:
// inserts one there).

#include <random>
#include <string>
#include <string_view>

namespace storage_test {

inline std::string randomlyDamaged(const std::string& text, std::string_view alphabet,
                                   std::mt19937& rng, bool insertInstead) {
    std::string damaged = text;
    for (int k = 0, flips = 1 + static_cast<int>(rng() % 4); k < flips; ++k) {
        std::size_t at = rng() % damaged.size();
        char c = alphabet[rng() % alphabet.size()];
        if (rng() % 2)
            damaged[at] = c;
        else if (insertInstead)
            damaged.insert(at, 1, c);
        else
            damaged.erase(at, 1);
    }
    return damaged;
}

}  // namespace storage_test
