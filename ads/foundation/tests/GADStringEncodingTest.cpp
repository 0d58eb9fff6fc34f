#include "ads/foundation/GADStringEncoding.h"

#include <gtest/gtest.h>

namespace ads {
namespace {

using Bytes = GADStringEncoding::Bytes;

Bytes bytes(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

struct Vector {
    const char* plain;
    const char* encoded;
};

void expectRoundTrips(const GADStringEncoding& codec, std::initializer_list<Vector> vectors) {
    for (const auto& v : vectors) {
        EXPECT_EQ(codec.encodeString(v.plain), v.encoded) << codec.description() << " " << v.plain;
        EXPECT_EQ(codec.stringByDecoding(v.encoded), v.plain) << codec.description();
    }
}

TEST(GADStringEncodingTest, Rfc4648TestVectors) {
    expectRoundTrips(GADStringEncoding::rfc4648Base64StringEncoding(), {{"", ""},
                                                                        {"f", "Zg=="},
                                                                        {"fo", "Zm8="},
                                                                        {"foo", "Zm9v"},
                                                                        {"foob", "Zm9vYg=="},
                                                                        {"fooba", "Zm9vYmE="},
                                                                        {"foobar", "Zm9vYmFy"}});
    expectRoundTrips(GADStringEncoding::rfc4648Base32StringEncoding(),
                     {{"f", "MY======"},
                      {"fo", "MZXQ===="},
                      {"foo", "MZXW6==="},
                      {"foob", "MZXW6YQ="},
                      {"fooba", "MZXW6YTB"},
                      {"foobar", "MZXW6YTBOI======"}});
    expectRoundTrips(GADStringEncoding::rfc4648Base32HexStringEncoding(),
                     {{"f", "CO======"},
                      {"fo", "CPNG===="},
                      {"foo", "CPNMU==="},
                      {"foob", "CPNMUOG="},
                      {"fooba", "CPNMUOJ1"},
                      {"foobar", "CPNMUOJ1E8======"}});
    expectRoundTrips(GADStringEncoding::hexStringEncoding(), {{"foobar", "666F6F626172"}});
    expectRoundTrips(GADStringEncoding::binaryStringEncoding(), {{"A", "01000001"}});
}

TEST(GADStringEncodingTest, WebsafeAlphabetWithAndWithoutPadding) {
    auto websafe = GADStringEncoding::rfc4648Base64WebsafeStringEncoding();
    const Bytes data{0xFB, 0xFF};
    EXPECT_EQ(websafe.encode(data), "-_8=");
    EXPECT_EQ(GADStringEncoding::rfc4648Base64StringEncoding().encode(data), "+/8=");
    websafe.setDoPad(false);
    EXPECT_FALSE(websafe.doPad());
    EXPECT_EQ(websafe.encode(data), "-_8");
    // Padding is never required to decode.
    EXPECT_EQ(websafe.decode("-_8"), data);
    EXPECT_EQ(websafe.decode("-_8="), data);
    EXPECT_FALSE(websafe.decode("+/8="));
}

TEST(GADStringEncodingTest, SynonymsAndIgnoredCharacters) {
    auto hex = GADStringEncoding::hexStringEncoding();
    EXPECT_EQ(hex.decode("deadBEEF"), (Bytes{0xDE, 0xAD, 0xBE, 0xEF}));
    EXPECT_FALSE(hex.decode("0g"));
    auto crockford = GADStringEncoding::crockfordBase32StringEncoding();
    ASSERT_TRUE(crockford.decode("11111111"));
    EXPECT_EQ(crockford.decode("oOoOoOoO"), crockford.decode("00000000"));
    EXPECT_EQ(crockford.decode("iIlLiIlL"), crockford.decode("11111111"));
    EXPECT_FALSE(crockford.decode("U"));  // not in the alphabet, no synonym

    auto base64 = GADStringEncoding::rfc4648Base64StringEncoding();
    EXPECT_FALSE(base64.decode("Zm9v\nYmFy"));
    base64.ignoreCharacters("\r\nZ");
    EXPECT_EQ(base64.stringByDecoding("Zm9v\r\nYmFy"), "foobar");
    // A synonym before any known character stays invalid.
    auto custom = GADStringEncoding::stringEncodingWithString("ab");
    ASSERT_TRUE(custom);
    custom->addDecodeSynonyms("xaA");
    EXPECT_FALSE(custom->decode("x"));
    EXPECT_EQ(custom->decode("AbAbAbAb"), custom->decode("abababab"));
}

TEST(GADStringEncodingTest, StrictDecoding) {
    auto base64 = GADStringEncoding::rfc4648Base64StringEncoding();
    // Data after padding.
    EXPECT_FALSE(base64.decode("Zg==Zg=="));
    EXPECT_FALSE(base64.decode("Z=g"));
    // Left-over bits that are not zero ("Zh" ends in bits that no byte used).
    EXPECT_FALSE(base64.decode("Zh=="));
    EXPECT_EQ(base64.decode("Zg=="), bytes("f"));
    // Not ASCII, or not UTF-8 once decoded.
    EXPECT_FALSE(base64.decode("Zg\xC3\xA4"));
    EXPECT_FALSE(base64.stringByDecoding("/w=="));
    EXPECT_EQ(base64.decode("/w=="), (Bytes{0xFF}));
    EXPECT_EQ(base64.decode(""), Bytes{});
}

TEST(GADStringEncodingTest, AlphabetsMustBeUsable) {
    EXPECT_FALSE(GADStringEncoding::stringEncodingWithString(""));
    EXPECT_FALSE(GADStringEncoding::stringEncodingWithString("a"));
    EXPECT_FALSE(GADStringEncoding::stringEncodingWithString("abc"));
    EXPECT_FALSE(GADStringEncoding::stringEncodingWithString("aa"));
    EXPECT_FALSE(GADStringEncoding::stringEncodingWithString("a\xC3"));
    std::string big;
    for (int c = 0; c < 128; ++c) big += static_cast<char>(c);
    auto all = GADStringEncoding::stringEncodingWithString(big);
    ASSERT_TRUE(all);
    const Bytes data{0x00, 0x7F, 0xFF, 0x10, 0x20, 0x30, 0x40};
    EXPECT_EQ(all->decode(all->encode(data)), data);
    auto octal = GADStringEncoding::stringEncodingWithString("01234567");
    ASSERT_TRUE(octal);
    octal->setPaddingChar('=');
    octal->setDoPad(true);
    // Three bits a character: a padded group is 8 characters (24 bits).
    EXPECT_EQ(octal->encode(Bytes{0xFF}), "776=====");
    EXPECT_EQ(octal->decode("776====="), (Bytes{0xFF}));
    // Padding always uses a character the decoder knows as padding, never a data character.
    auto crockford = GADStringEncoding::crockfordBase32StringEncoding();
    crockford.setDoPad(true);
    EXPECT_EQ(crockford.encodeString("f"), "CR======");
    EXPECT_EQ(crockford.stringByDecoding("CR======"), "f");
    auto base64 = GADStringEncoding::rfc4648Base64StringEncoding();
    base64.setPaddingChar('A');  // a data character: refused
    EXPECT_EQ(base64.encodeString("f"), "Zg==");
    base64.setPaddingChar('.');
    EXPECT_EQ(base64.encodeString("f"), "Zg..");
    EXPECT_EQ(base64.stringByDecoding("Zg.."), "f");
    EXPECT_FALSE(base64.decode("Zg=="));
    auto withEquals = GADStringEncoding::stringEncodingWithString("=1");
    withEquals->setDoPad(true);
    EXPECT_FALSE(withEquals->doPad());
    EXPECT_EQ(withEquals->decode(withEquals->encodeString("f")), bytes("f"));
    EXPECT_EQ(GADStringEncoding::rfc4648Base64StringEncoding().description().rfind(
                  "<Base64 StringEncoder: ABC", 0),
              0u);
}

}  // namespace
}  // namespace ads
