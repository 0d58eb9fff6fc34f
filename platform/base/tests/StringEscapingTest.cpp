#include "platform/base/StringEscaping.h"

#include <gtest/gtest.h>

using platform::escaped;
using platform::StringEscapeStyle;

TEST(StringEscaping, NothingInTheTextCanEndTheStringTheLineOrTheScript) {
    const std::string hostile = "a\"b'c\\d\ne\rf</script>\x01\x7f\xE2\x80\xA8\xE2\x80\xA9";
    EXPECT_EQ(escaped(hostile, StringEscapeStyle::json()),
              R"(a\"b'c\\d\ne\rf<\/script>\u0001\u007f\u2028\u2029)");
    EXPECT_EQ(escaped(hostile, StringEscapeStyle::script()),
              R"(a"b\'c\\d\ne\rf<\/script>\x01\x7f\u2028\u2029)");
    EXPECT_EQ(escaped(hostile, StringEscapeStyle::log()),
              R"(a"b'c\\d\ne\rf</script>\u0001\u007F\u2028\u2029)");
    // Only a slash that closes an element needs it in scripts; JSON escapes every one.
    EXPECT_EQ(escaped("a/b", StringEscapeStyle::script()), "a/b");
    EXPECT_EQ(escaped("a/b", StringEscapeStyle::json()), R"(a\/b)");
    EXPECT_EQ(escaped("\b\t", StringEscapeStyle::json()), R"(\b\t)");
    EXPECT_EQ(escaped("\b\t", StringEscapeStyle::script()), R"(\x08\x09)");
    EXPECT_EQ(escaped("\b\t", StringEscapeStyle::log()), R"(\u0008\t)");
}

TEST(StringEscaping, NonAsciiTextStaysUnlessAskedOrBroken) {
    const std::string text = "\xC3\xA9\xC2\x85\xF0\x9F\x9A\x97";  // é, NEL, a car
    EXPECT_EQ(escaped(text, StringEscapeStyle::json()), text);
    EXPECT_EQ(escaped(text, StringEscapeStyle::log()), "\xC3\xA9\\u0085\xF0\x9F\x9A\x97");
    auto ascii = StringEscapeStyle::json();
    ascii.asciiOnly = true;
    EXPECT_EQ(escaped(text, ascii), R"(\u00e9\u0085\ud83d\ude97)");
    // Bytes that are no UTF-8 pass as they are, or as numbers where nothing raw may pass.
    EXPECT_EQ(escaped("x\xFF\xC3", StringEscapeStyle::script()), "x\xFF\xC3");
    EXPECT_EQ(escaped("x\xFF\xC3", StringEscapeStyle::log()), R"(x\xFF\xC3)");
}

TEST(StringEscaping, ALoggedValueIsEscapedAndCutAtACharacter) {
    using platform::kLogValueMaxBytes;
    using platform::logValue;
    // A request id of 100,000 digits, as a hostile page sent one.
    const std::string cut = logValue(std::string(100000, '7'));
    EXPECT_EQ(cut, std::string(kLogValueMaxBytes - 3, '7') + "...");
    EXPECT_EQ(logValue(std::string(kLogValueMaxBytes, 'y')), std::string(kLogValueMaxBytes, 'y'));
    // Escapes count, and neither they nor a character are split by the cut.
    EXPECT_EQ(logValue("a\nb\xC3\xA9", 6), "a\\nb\xC3\xA9");
    EXPECT_EQ(logValue("a\nb\xC3\xA9", 5), "a...");
    EXPECT_EQ(logValue("\x01\x02", 7), "...");
    EXPECT_EQ(logValue("\xC3\xA9\xC3\xA9\xC3\xA9", 5), "\xC3\xA9...");
    EXPECT_EQ(logValue("\xFFok\n", 10), "\\xFFok\\n");
    EXPECT_EQ(logValue("", 3), "");
}

TEST(StringEscaping, ASizeIsMeasuredWithoutWritingAsTheTextWouldBeWritten) {
    using platform::escapedSize;
    const std::string samples[] = {"",
                                   "plain",
                                   "a\"b'c\\d\ne\rf</script>\x01\x7f",
                                   "\xE2\x80\xA8\xE2\x80\xA9/<//",
                                   "\xC3\xA9\xC2\x85\xF0\x9F\x9A\x97",
                                   "x\xFF\xC3\x80\x80 \xE2\x82z",
                                   std::string(300, '\x02')};
    auto ascii = StringEscapeStyle::json();
    ascii.asciiOnly = true;
    for (const auto& style : {StringEscapeStyle::json(), StringEscapeStyle::script(),
                              StringEscapeStyle::log(), ascii}) {
        for (const auto& text : samples) {
            EXPECT_EQ(escapedSize(text, style), escaped(text, style).size())
                << escaped(text, style);
        }
    }
}
