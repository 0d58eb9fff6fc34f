#include "util/Crc32.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace util;

TEST(Crc32Test, StandardVectors) {
    EXPECT_EQ(Crc32OfCString("123456789"), 0xCBF43926u);
    EXPECT_EQ(Crc32OfCString("abc"), 0x352441C2u);
    EXPECT_EQ(Crc32OfCString("abc"), 891568578u);
    EXPECT_EQ(Crc32OfCString("The quick brown fox jumps over the lazy dog"), 0x414FA339u);
    EXPECT_EQ(Crc32OfBytes("123456789", 9), 0xCBF43926u);
}

TEST(Crc32Test, EmptyMissingAndNegativeInputsAnswerZero) {
    EXPECT_EQ(Crc32OfCString(""), 0u);
    EXPECT_EQ(Crc32OfCString(nullptr), 0u);
    EXPECT_EQ(Crc32OfBytes("abc", 0), 0u);
    EXPECT_EQ(Crc32OfBytes(nullptr, 5), 0u);
    // A negative length reads nothing (the sanitizer would catch an over-read here).
    char one = 'a';
    EXPECT_EQ(Crc32OfBytes(&one, -1), 0u);
    EXPECT_EQ(Crc32OfBytes(&one, INT32_MIN), 0u);
}

TEST(Crc32Test, HighBytesCountUnsignedAndNulBytesCountInBytes) {
    // The bytes 0x80..0xFF: with signed bytes the register would be smeared with ones.
    const std::vector<unsigned char> high = {0x80, 0xFF, 0xC3, 0xA9};
    EXPECT_EQ(Crc32OfBytes(high.data(), 4), 0x3D58C20Bu);
    EXPECT_EQ(Crc32OfCString("\x80\xFF\xC3\xA9"), 0x3D58C20Bu);
    // Bytes stop at nothing; the C string stops at its NUL.
    const char withNul[] = {'a', 'b', 'c', '\0', 'd'};
    EXPECT_EQ(Crc32OfCString(withNul), 0x352441C2u);
    EXPECT_NE(Crc32OfBytes(withNul, 5), 0x352441C2u);
}

TEST(Crc32Test, AppendingContinuesOverTheJoinedBytes) {
    // "123456789" in two pieces gives the standard check value of the whole.
    const uint32_t head = Crc32Append(0, "1234", 4);
    EXPECT_EQ(head, Crc32OfBytes("1234", 4));
    EXPECT_EQ(Crc32Append(head, "56789", 5), 0xCBF43926u);
    EXPECT_EQ(Crc32Append(head, nullptr, 0), head);
}
