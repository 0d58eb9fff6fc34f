#include "ads/foundation/GADStringAdditions.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>

namespace ads {
namespace {

// A German number locale (decimal comma) for the length of a test. Build machines rarely
// have one compiled, so it is compiled into a temporary folder when missing.
class GermanNumbers {
  public:
    GermanNumbers() {
        const char* current = std::setlocale(LC_NUMERIC, nullptr);
        previous_ = current ? current : "C";
        if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) return;
        dir_ =
            std::filesystem::temp_directory_path() / ("gad-locale-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        const std::string command =
            "localedef -i de_DE -f UTF-8 '" + dir_.string() + "/de_DE.UTF-8' >/dev/null 2>&1";
        std::system(command.c_str());
        ::setenv("LOCPATH", dir_.c_str(), 1);
        std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    }
    ~GermanNumbers() {
        std::setlocale(LC_NUMERIC, previous_.c_str());
        if (!dir_.empty()) {
            ::unsetenv("LOCPATH");
            std::error_code ignored;
            std::filesystem::remove_all(dir_, ignored);
        }
    }
    bool active() const {
        char text[16];
        std::snprintf(text, sizeof text, "%.1f", 1.5);
        return std::string(text) == "1,5";
    }

  private:
    std::string previous_;
    std::filesystem::path dir_;
};

TEST(GADStringAdditionsTest, FlagsAndNumbersInTheServersForm) {
    EXPECT_EQ(GADStringFromBOOL(true), "1");
    EXPECT_EQ(GADStringFromBOOL(false), "0");
    EXPECT_EQ(GADStringFromDouble(1.5), "1.5");
    EXPECT_EQ(GADStringFromDouble(2), "2");
    EXPECT_EQ(GADStringFromDouble(10), "10");
    EXPECT_EQ(GADStringFromDouble(100.25), "100.25");
    EXPECT_EQ(GADStringFromDouble(0), "0");
    EXPECT_EQ(GADStringFromDouble(-3.125), "-3.125");
    EXPECT_EQ(GADStringFromDouble(0.1234567), "0.123457");
    EXPECT_EQ(GADStringFromDouble(1e20), "100000000000000000000");
    EXPECT_EQ(GADStringFromDouble(std::numeric_limits<double>::infinity()), "inf");
    EXPECT_EQ(GADStringFromDouble(std::nan("")), "nan");

    GermanNumbers german;
    ASSERT_TRUE(german.active()) << "no German locale could be made (package 'locales')";
    EXPECT_EQ(GADStringFromDouble(1.5), "1.5");
    EXPECT_EQ(GADStringFromDouble(1234.75), "1234.75");
}

TEST(GADStringAdditionsTest, EscapingLeavesOnlyUnreservedCharacters) {
    EXPECT_EQ(gad_stringByEscapingAsURLParameter("aZ09-._~"), "aZ09-._~");
    EXPECT_EQ(gad_stringByEscapingAsURLParameter("!*'();:@&=+$,/?%#[] "),
              "%21%2A%27%28%29%3B%3A%40%26%3D%2B%24%2C%2F%3F%25%23%5B%5D%20");
    EXPECT_EQ(gad_stringByEscapingAsURLParameter("\xC3\xA4"), "%C3%A4");
    EXPECT_EQ(gad_stringByEscapingAsURLParameter(""), "");
}

TEST(GADStringAdditionsTest, TrailingSlashesAndEquivalentUrls) {
    EXPECT_EQ(gad_stripTrailingSlash("http://a/b/"), "http://a/b");
    EXPECT_EQ(gad_stripTrailingSlash("http://a/b//"), "http://a/b/");
    EXPECT_EQ(gad_stripTrailingSlash("/"), "");
    EXPECT_EQ(gad_stripTrailingSlash(""), "");
    EXPECT_TRUE(gad_isEquivalentToURLString("http://a/b/", "http://a/b"));
    EXPECT_TRUE(gad_isEquivalentToURLString("http://a/b", "http://a/b"));
    EXPECT_FALSE(gad_isEquivalentToURLString("http://a/b//", "http://a/b"));
    EXPECT_FALSE(gad_isEquivalentToURLString("http://a/B", "http://a/b"));
}

TEST(GADStringAdditionsTest, TrimmingBlanksOfEveryScript) {
    EXPECT_EQ(gad_stringByTrimmingWhitespaceAndNewlines(" \t\r\n a b \n"), "a b");
    // No-break, ideographic and line-separator spaces; a blank inside stays.
    EXPECT_EQ(
        gad_stringByTrimmingWhitespaceAndNewlines("\xC2\xA0\xE3\x80\x80x\xE3\x80\x80y\xE2\x80\xA8"),
        "x\xE3\x80\x80y");
    EXPECT_EQ(gad_stringByTrimmingWhitespaceAndNewlines("   "), "");
    EXPECT_EQ(gad_stringByTrimmingWhitespaceAndNewlines(""), "");
    // Bytes that are no text stop the trimming and are kept as they are.
    EXPECT_EQ(gad_stringByTrimmingWhitespaceAndNewlines(" \xE3\x80 "), "\xE3\x80");
    EXPECT_EQ(gad_stringByTrimmingWhitespaceAndNewlines("\x80 a"), "\x80 a");
}

TEST(GADStringAdditionsTest, Md5OfTheRfc1321Suite) {
    const std::pair<const char*, const char*> suite[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"1234567890123456789012345678901234567890123456789012345678901234567890123456789"
         "0",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& [text, digest] : suite) EXPECT_EQ(gad_MD5String(text), digest) << text;
    const auto data = gad_MD5Data("abc");
    ASSERT_EQ(data.size(), 16u);
    EXPECT_EQ(data[0], 0x90);
    EXPECT_EQ(data[15], 0x72);
}

}  // namespace
}  // namespace ads
