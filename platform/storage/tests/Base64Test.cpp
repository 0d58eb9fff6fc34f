#include "platform/storage/Base64.h"

#include <gtest/gtest.h>

using platform::Base64;

TEST(Base64Test, KnownVectorsAndStrictDecoding) {
    auto enc = [](std::string s) {
        return Base64::encode(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
    };
    EXPECT_EQ(enc(""), "");
    EXPECT_EQ(enc("f"), "Zg==");
    EXPECT_EQ(enc("fo"), "Zm8=");
    EXPECT_EQ(enc("foo"), "Zm9v");
    EXPECT_EQ(enc("foobar"), "Zm9vYmFy");
    std::vector<std::uint8_t> all(256);
    for (int i = 0; i < 256; ++i) all[i] = static_cast<std::uint8_t>(i);
    EXPECT_EQ(Base64::decode(Base64::encode(all)), all);

    for (const char* bad : {"Zg=", "Zg=a", "Z===", "Zh==", "Zm9v!A==", "=Zm9", "Zm=v"})
        EXPECT_FALSE(Base64::decode(bad)) << bad;
}
