#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>

#include "platform/base/Hex.h"
#include "platform/base/NumberText.h"
#include "platform/base/Unicode.h"
#include "platform/base/Uuid.h"

using namespace platform;

TEST(NumberText, IntValueTakesTheLeadingNumberAndSaturates) {
    EXPECT_EQ(intValue("42"), 42);
    EXPECT_EQ(intValue("  \t\n-17abc"), -17);
    EXPECT_EQ(intValue("+8"), 8);
    EXPECT_EQ(intValue("3.9"), 3);
    EXPECT_EQ(intValue("abc"), 0);
    EXPECT_EQ(intValue(""), 0);
    EXPECT_EQ(intValue("-"), 0);
    EXPECT_EQ(intValue("- 5"), 0);
    EXPECT_EQ(intValue("0x1F"), 0);
    EXPECT_EQ(intValue("2147483647"), 2147483647);
    EXPECT_EQ(intValue("2147483648"), 2147483647);
    EXPECT_EQ(intValue("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(intValue("-2147483649"), -2147483647 - 1);
    EXPECT_EQ(intValue("99999999999999999999999"), 2147483647);
}

TEST(NumberText, SixtyFourBitValuesSaturate) {
    constexpr auto max = std::numeric_limits<std::int64_t>::max();
    constexpr auto min = std::numeric_limits<std::int64_t>::min();
    EXPECT_EQ(integerValue("9223372036854775807"), max);
    EXPECT_EQ(integerValue("9223372036854775808"), max);
    EXPECT_EQ(longLongValue("-9223372036854775808"), min);
    EXPECT_EQ(longLongValue("-9223372036854775809"), min);
    EXPECT_EQ(longLongValue("-100000000000000000000000000"), min);
    EXPECT_EQ(integerValue(" 12345678901x"), 12345678901);
}

TEST(NumberText, DoubleValue) {
    EXPECT_DOUBLE_EQ(doubleValue("3.25"), 3.25);
    EXPECT_DOUBLE_EQ(doubleValue("  -1.5e3xyz"), -1500);
    EXPECT_DOUBLE_EQ(doubleValue(".5"), 0.5);
    EXPECT_DOUBLE_EQ(doubleValue("5."), 5.0);
    EXPECT_DOUBLE_EQ(doubleValue("2e"), 2.0);
    EXPECT_DOUBLE_EQ(doubleValue("2e+"), 2.0);
    EXPECT_EQ(doubleValue("."), 0.0);
    EXPECT_EQ(doubleValue("inf"), 0.0);
    EXPECT_EQ(doubleValue("nan"), 0.0);
    EXPECT_EQ(doubleValue("0x10"), 0.0);
    EXPECT_EQ(doubleValue("1,5"), 1.0);
    EXPECT_TRUE(std::isinf(doubleValue("1e999")));
    EXPECT_EQ(doubleValue("1e-999"), 0.0);
    EXPECT_FLOAT_EQ(floatValue("0.1"), 0.1f);
}

TEST(NumberText, BoolValue) {
    for (const char* yes : {"YES", "yes", "Y", "true", "T", "1", "007", "-5", "  +9", "tomato"}) {
        EXPECT_TRUE(boolValue(yes)) << yes;
    }
    for (const char* no : {"NO", "no", "false", "0", "000", "", "  ", "x1", "-", "+0"}) {
        EXPECT_FALSE(boolValue(no)) << no;
    }
}

TEST(Unicode, Utf16LengthsCountSurrogatePairs) {
    EXPECT_EQ(utf16Length("abc"), 3u);
    EXPECT_EQ(utf16Length("\xc3\xa9"), 1u);          // é
    EXPECT_EQ(utf16Length("\xe2\x82\xac"), 1u);      // €
    EXPECT_EQ(utf16Length("\xf0\x9f\x98\x80"), 2u);  // 😀
    EXPECT_EQ(utf16Length("a\xf0\x9f\x8d\x94"
                          "b"),
              4u);  // a🍔b
    std::u16string u = utf8ToUtf16("\xf0\x9f\x98\x80");
    ASSERT_EQ(u.size(), 2u);
    EXPECT_EQ(u[0], 0xD83D);
    EXPECT_EQ(u[1], 0xDE00);
    EXPECT_EQ(utf16ToUtf8(u), "\xf0\x9f\x98\x80");
}

TEST(Unicode, MalformedInputBecomesReplacementCharacters) {
    EXPECT_FALSE(isValidUtf8("\xff"));
    EXPECT_FALSE(isValidUtf8("\xc0\xaf"));          // overlong '/'
    EXPECT_FALSE(isValidUtf8("\xed\xa0\x80"));      // surrogate
    EXPECT_FALSE(isValidUtf8("\xf4\x90\x80\x80"));  // beyond U+10FFFF
    EXPECT_FALSE(isValidUtf8("\xe2\x82"));          // truncated
    EXPECT_TRUE(isValidUtf8("plain \xe2\x82\xac"));
    // Long runs of ASCII are read eight bytes at a time: a bad byte or a sequence anywhere
    // among them, across a run's end too, is still seen.
    for (std::size_t at = 0; at < 20; ++at) {
        SCOPED_TRACE(at);
        std::string text(24, 'a');
        text[at] = '\xff';
        EXPECT_FALSE(isValidUtf8(text));
        text.replace(at, 3, "\xe2\x82\xac");
        EXPECT_TRUE(isValidUtf8(text));
        text.replace(at, 3,
                     "\xe2\x82"
                     "a");
        EXPECT_FALSE(isValidUtf8(text));
    }
    EXPECT_FALSE(isValidUtf8(std::string(4096, 'a') + "\xe2\x82"));
    EXPECT_EQ(utf8ToUtf16("a\xff"
                          "b"),
              u"a\uFFFDb");
    EXPECT_EQ(utf16ToUtf8(std::u16string(1, char16_t(0xD800)) + u"x"), "\xef\xbf\xbdx");
    EXPECT_EQ(utf16ToUtf8(u"\xDE00"), "\xef\xbf\xbd");
}

TEST(Unicode, RepairReplacesEachBrokenSequenceOnce) {
    const std::string good = "caf\xc3\xa9 \xf0\x9f\x98\x80";
    EXPECT_EQ(repairedUtf8(good), good);
    EXPECT_EQ(repairedUtf8(""), "");
    EXPECT_EQ(repairedUtf8("caf\xc3"), "caf\xef\xbf\xbd");  // cut off at the end
    // A lead byte with what continued it is one mistake, unlike the per-byte conversion.
    EXPECT_EQ(repairedUtf8("a\xe2\x82z"), "a\xef\xbf\xbdz");
    EXPECT_EQ(utf8ToUtf16("a\xe2\x82z"), u"a\uFFFD\uFFFDz");
    EXPECT_EQ(repairedUtf8("\x80\x80\x80"), "\xef\xbf\xbd");
    EXPECT_EQ(repairedUtf8("\xc0\xaf/"), "\xef\xbf\xbd/");            // overlong
    EXPECT_EQ(repairedUtf8("\xed\xa0\x80"), "\xef\xbf\xbd");          // surrogate
    EXPECT_EQ(repairedUtf8("x\xf4\x90\x80\x80y"), "x\xef\xbf\xbdy");  // beyond U+10FFFF
    EXPECT_EQ(repairedUtf8("\xff\xfe"), "\xef\xbf\xbd\xef\xbf\xbd");
    EXPECT_TRUE(isValidUtf8(repairedUtf8("\xf0\x9f\x98 \xe0\x80\x80 \xf5\x80\x80\x80")));
    // Measured without the copy, for bodies of megabytes.
    for (const std::string& text :
         {std::string(good), std::string("caf\xc3"), std::string("a\xe2\x82z"),
          std::string("\x80\x80\x80"), std::string("\xff\xfe\xc3\xa9")}) {
        EXPECT_EQ(repairedUtf8Size(text), repairedUtf8(text).size());
    }
}

TEST(Unicode, CodePointsForLayout) {
    EXPECT_EQ(utf8ToUtf32("a\xc3\xa9\xf0\x9f\x8d\x94"), U"a\u00e9\U0001F354");
    // An overlong '/' is two broken bytes, never a slash.
    EXPECT_EQ(utf8ToUtf32("\xc0\xaf"), U"\uFFFD\uFFFD");
    EXPECT_EQ(utf8ToUtf32("x\xe2\x82"), U"x\uFFFD\uFFFD");
    EXPECT_EQ(utf32ToUtf8(U"a\u00e9\U0001F354"), "a\xc3\xa9\xf0\x9f\x8d\x94");
    EXPECT_EQ(utf32ToUtf8(std::u32string{char32_t(0xD800), char32_t(0x110000)}),
              "\xef\xbf\xbd\xef\xbf\xbd");
}

TEST(Unicode, SequenceLengthsAndAppendedCodePoints) {
    EXPECT_EQ(utf8SequenceLength("a", 0), 1u);
    EXPECT_EQ(utf8SequenceLength("\xc3\xa9", 0), 2u);
    EXPECT_EQ(utf8SequenceLength("\xc3\xa9", 1), 0u);  // a continuation byte starts nothing
    EXPECT_EQ(utf8SequenceLength("\xe2\x82\xac", 0), 3u);
    EXPECT_EQ(utf8SequenceLength("\xf0\x9f\x98\x80", 0), 4u);
    EXPECT_EQ(utf8SequenceLength("\xe2\x82", 0), 0u);
    EXPECT_EQ(utf8SequenceLength("a", 1), 0u);  // past the end

    std::string out = "x";
    for (char32_t cp :
         {char32_t(0x41), char32_t(0xE9), char32_t(0x1F600), char32_t(0xD800), char32_t(0x110000)})
        appendUtf8(out, cp);
    EXPECT_EQ(out, "xA\xc3\xa9\xf0\x9f\x98\x80\xef\xbf\xbd\xef\xbf\xbd");
    EXPECT_EQ(codePointToUtf8(0x20AC), "\xe2\x82\xac");
}

TEST(Hex, LowerCaseRoundTrip) {
    EXPECT_EQ(hexLower(std::string("\x00\x0f\xab\xff", 4)), "000fabff");
    EXPECT_EQ(hexDecode("000FabfF"), (std::vector<std::uint8_t>{0, 0x0f, 0xab, 0xff}));
    EXPECT_EQ(hexDecode("abc"), std::nullopt);
    EXPECT_EQ(hexDecode("zz"), std::nullopt);
    EXPECT_EQ(hexLower(nullptr, 3), "");
    EXPECT_EQ(hexDigitValue('0'), 0);
    EXPECT_EQ(hexDigitValue('f'), 15);
    EXPECT_EQ(hexDigitValue('A'), 10);
    for (char c : {'g', 'G', '/', ':', '@', '`', ' ', '\xff'}) EXPECT_EQ(hexDigitValue(c), -1) << c;
}

TEST(Uuid, RandomParseAndFormat) {
    std::set<std::string> seen;
    for (int i = 0; i < 100; ++i) {
        Uuid u = Uuid::random();
        std::string s = u.toString();
        ASSERT_EQ(s.size(), 36u);
        EXPECT_EQ(s[14], '4');                                          // version
        EXPECT_NE(std::string("89AB").find(s[19]), std::string::npos);  // variant
        EXPECT_EQ(Uuid::parse(s), u);
        seen.insert(s);
    }
    EXPECT_EQ(seen.size(), 100u);
    auto parsed = Uuid::parse("e621e1f8-c36c-495a-93fc-0c247a3e6e5f");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->toString(), "E621E1F8-C36C-495A-93FC-0C247A3E6E5F");
    EXPECT_EQ(parsed->toCompactLowerString(), "e621e1f8c36c495a93fc0c247a3e6e5f");
    EXPECT_FALSE(Uuid::parse("e621e1f8c36c495a93fc0c247a3e6e5f"));
    EXPECT_FALSE(Uuid::parse("e621e1f8-c36c-495a-93fc-0c247a3e6e5g"));
    EXPECT_TRUE(Uuid().isNull());
}
