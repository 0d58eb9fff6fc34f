#include "ads/foundation/GADMurmurHash3.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ads {
namespace {

std::uint32_t hashOf(const std::string& text, std::uint32_t seed) {
    return GADMurmurHash3(text.data(), text.size(), seed);
}

TEST(GADMurmurHash3Test, MatchesThePublishedVectors) {
    // The verification vectors published with the function: every tail length, seeds at
    // both ends, and bytes with the high bit set (signed-char machines get these wrong).
    struct Case {
        std::string bytes;
        std::uint32_t seed;
        std::uint32_t hash;
    };
    const std::vector<Case> cases = {
        {"", 0, 0},
        {"", 1, 0x514E28B7},
        {"", 0xffffffff, 0x81F16F39},
        {"\xff\xff\xff\xff", 0, 0x76293B50},
        {"\x21\x43\x65\x87", 0, 0xF55B516B},
        {"\x21\x43\x65\x87", 0x5082EDEE, 0x2362F9DE},
        {"\x21\x43\x65", 0, 0x7E4A8634},
        {"\x21\x43", 0, 0xA0F7B07A},
        {"\x21", 0, 0x72661CF4},
        {std::string(4, '\0'), 0, 0x2362F9DE},
        {std::string(3, '\0'), 0, 0x85F0B427},
        {std::string(2, '\0'), 0, 0x30F4C306},
        {std::string(1, '\0'), 0, 0x514E28B7},
        {"aaaa", 0x9747b28c, 0x5A97808A},
        {"Hello, world!", 0x9747b28c, 0x24884CBA},
        {"The quick brown fox jumps over the lazy dog", 0x9747b28c, 0x2FA826CD},
    };
    for (const Case& c : cases) EXPECT_EQ(hashOf(c.bytes, c.seed), c.hash) << c.bytes;
}

TEST(GADMurmurHash3Test, ReadsUnalignedInputAndNoBytesForNoLength) {
    const std::string text = "xThe quick brown fox jumps over the lazy dog";
    EXPECT_EQ(GADMurmurHash3(text.data() + 1, text.size() - 1, 0x9747b28c), 0x2FA826CDu);
    EXPECT_EQ(GADMurmurHash3(nullptr, 0, 1), 0x514E28B7u);
    // No bytes with a length is no input, not a crash.
    EXPECT_EQ(GADMurmurHash3(nullptr, 12, 1), 0x514E28B7u);
}

}  // namespace
}  // namespace ads
