#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>

#include "platform/base/LogSink.h"
#include "platform/device/DeviceInfo.h"
#include "util/LogMessage.h"
#include "util/SeedRandom.h"
#include "util/SystemVersion.h"
#include "util/TextUtil.h"

using namespace util;

TEST(LogMessage, LevelWordsAndSecondLine) {
    platform::LogSink::Capture capture;
    LogMessage("-[AppCoreBase didLoadSettings]", 1, "hidden");
    LogMessage("f", 1, std::nullopt);
    EXPECT_EQ(capture.count(), 0u);

    LogMessage("-[AppCoreBase didLoadSettings]", 2, "");
    LogMessage("g", 3, "two\nlines");
    LogMessage("h", 4, std::nullopt);
    LogMessage("i", 7, "x");
    auto lines = capture.lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "[INFO] -[AppCoreBase didLoadSettings]");
    EXPECT_EQ(lines[1], "[WARN] g\ntwo\nlines");
    EXPECT_EQ(lines[2], "[ERROR] h");
    EXPECT_EQ(lines[3], "[] i\nx");
}

TEST(TextUtil, Hex) {
    const uint8_t bytes[] = {0x00, 0xAB};
    EXPECT_EQ(HexStringFromBytes(bytes, 2), "00ab");
    EXPECT_EQ(HexStringFromBytes(bytes, 0), "");
    EXPECT_EQ(HexStringFromBytes(bytes, -3), "");
    EXPECT_EQ(HexStringFromData({0xFF, 0x10, 0x01}), "ff1001");
}

TEST(TextUtil, UrlEncodeKeepsOnlyUnreservedBytes) {
    EXPECT_EQ(StringByUrlEncodeUTF8("a b"), "a+b");
    EXPECT_EQ(StringByUrlEncodeUTF8("~"), "%7E");
    EXPECT_EQ(StringByUrlEncodeUTF8("\xC3\xA9"), "%C3%A9");
    EXPECT_EQ(StringByUrlEncodeUTF8("Az09-._"), "Az09-._");
    EXPECT_EQ(StringByUrlEncodeUTF8("a&b=c/d?"), "a%26b%3Dc%2Fd%3F");
    EXPECT_EQ(StringByUrlEncodeUTF8("+%"), "%2B%25");
}

TEST(TextUtil, UrlDecodeRoundTripsAndRejectsMalformedInput) {
    EXPECT_EQ(StringByUrlDecodeUTF8("a+b%20c"), "a b c");
    EXPECT_EQ(StringByUrlDecodeUTF8("%C3%A9%7e"), "\xC3\xA9~");
    const std::string text = "Level: Normal & more ~ \xE2\x82\xAC + 100%";
    EXPECT_EQ(StringByUrlDecodeUTF8(StringByUrlEncodeUTF8(text)), text);
    EXPECT_FALSE(StringByUrlDecodeUTF8("%"));
    EXPECT_FALSE(StringByUrlDecodeUTF8("%4"));
    EXPECT_FALSE(StringByUrlDecodeUTF8("%zz"));
    EXPECT_FALSE(StringByUrlDecodeUTF8("%C3"));     // cut-off UTF-8 sequence
    EXPECT_FALSE(StringByUrlDecodeUTF8("%C0%AF"));  // overlong form
    EXPECT_EQ(StringByUrlDecodeUTF8(""), "");
}

TEST(TextUtil, StringIsNilOrEmptyAnswersForMissingText) {
    EXPECT_TRUE(StringIsNilOrEmpty(std::nullopt));
    EXPECT_TRUE(StringIsNilOrEmpty(std::string()));
    EXPECT_FALSE(StringIsNilOrEmpty(std::string("a")));
}

TEST(SystemVersion, PrefixChecks) {
    EXPECT_EQ(SystemVersion(), "8.4");
    EXPECT_TRUE(SystemSupportsOS8());
    EXPECT_TRUE(SystemSupportsMultitasking());
    EXPECT_TRUE(SystemSupportsOS3() && SystemSupportsOS4());
    for (const char* v : {"10.3", "8.4", "12"}) {
        EXPECT_TRUE(SystemSupportsOS5(v) && SystemSupportsOS6(v) && SystemSupportsOS7(v) &&
                    SystemSupportsOS8(v))
            << v;
    }
    EXPECT_FALSE(SystemSupportsOS5("4.3"));
    EXPECT_TRUE(SystemSupportsOS5("5.1"));
    EXPECT_FALSE(SystemSupportsOS6("5.1"));
    EXPECT_FALSE(SystemSupportsOS7("6.0"));
    EXPECT_TRUE(SystemSupportsOS7("7.1"));
    EXPECT_FALSE(SystemSupportsOS8("7.1"));
    // The version is the device's, so the checks follow it.
    platform::DeviceInfo::Scope older(
        {"iPhone", "iPhone OS", "7.1", platform::UserInterfaceIdiom::Phone});
    EXPECT_EQ(SystemVersion(), "7.1");
    EXPECT_FALSE(SystemSupportsOS8());
}

TEST(SeedRandom, SeededBeforeMain) {
    SeedRandomAtLoad();
    // Seeded from the clock, the generator does not start where srandom(1) would.
    long first = random();
    srandom(1);
    EXPECT_NE(first, random());
}
