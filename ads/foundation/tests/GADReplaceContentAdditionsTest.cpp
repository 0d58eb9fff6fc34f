#include "ads/foundation/GADReplaceContentAdditions.h"

#include <gtest/gtest.h>

namespace ads {
namespace {

std::string replaced(std::string text, const char* keyword, const char* value) {
    gad_replaceAtQuotedKeyword(text, keyword, value);
    return text;
}

std::string removed(std::string text) {
    gad_removeAtQuotedKeywords(text);
    return text;
}

TEST(GADReplaceContentAdditionsTest, EscapingDoublesAndUnescapingHalves) {
    EXPECT_EQ(gad_escapeAts("a@b@@c"), "a@@b@@@@c");
    EXPECT_EQ(gad_unescapeAts("a@@b@@@@c"), "a@b@@c");
    EXPECT_EQ(gad_unescapeAts("@@@"), "@@");
    EXPECT_EQ(gad_unescapeAts(gad_escapeAts("x@y@")), "x@y@");
}

TEST(GADReplaceContentAdditionsTest, PlaceholdersAndEscapedAtSigns) {
    const char* k = "gw_qdata";
    EXPECT_EQ(replaced("a=@gw_qdata@&b", k, "V"), "a=V&b");
    EXPECT_EQ(replaced("@gw_qdata@@gw_qdata@", k, "V"), "V@gw_qdata@");
    // Doubled on both sides: a literal "@gw_qdata@", left alone.
    EXPECT_EQ(replaced("x@@gw_qdata@@y", k, "V"), "x@@gw_qdata@@y");
    EXPECT_EQ(gad_unescapeAts(replaced("x@@gw_qdata@@y", k, "V")), "x@gw_qdata@y");
    // Tripled: a literal "@" on each side of a real placeholder.
    EXPECT_EQ(replaced("@@@gw_qdata@@@", k, "V"), "@@V@@");
    EXPECT_EQ(gad_unescapeAts("@@V@@"), "@V@");
    // Back to back: the second at sign of a pair is never taken as a delimiter.
    EXPECT_EQ(replaced("@a@@b@", "a", "1"), "1@b@");
    EXPECT_EQ(replaced("@a@@b@", "b", "2"), "@a@@b@");
    EXPECT_EQ(replaced("@a@-@b@", "b", "2"), "@a@-2");
    // The value is taken literally.
    EXPECT_EQ(replaced("@gw_qdata@", k, "$1\\0@"), "$1\\0@");
    // Only the whole keyword.
    EXPECT_EQ(replaced("@gw_qdata_x@ @gw_q@", k, "V"), "@gw_qdata_x@ @gw_q@");
    // Nothing to do without a keyword, or with one that holds an at sign.
    EXPECT_EQ(replaced("@@", "", "V"), "@@");
    EXPECT_EQ(replaced("@a@b@", "a@b", "V"), "@a@b@");
    std::string text = "@k@ and @k@";
    EXPECT_EQ(gad_replaceAtQuotedKeyword(text, "k", "v"), 2u);
    EXPECT_EQ(text, "v and v");
}

TEST(GADReplaceContentAdditionsTest, RemovalTakesEveryPlaceholderLeft) {
    EXPECT_EQ(removed("https://x/?a=@gw_adlocid@&b=@gw_qdata@&c=1"), "https://x/?a=&b=&c=1");
    EXPECT_EQ(removed("mail@@example.com @@keep@@ @drop@"), "mail@@example.com @@keep@@ ");
    EXPECT_EQ(removed("@@@x@@@"), "@@@@");
    EXPECT_EQ(removed("@@"), "@@");
    EXPECT_EQ(removed("@ @"), "");
    EXPECT_EQ(removed("no placeholders"), "no placeholders");
    EXPECT_EQ(removed("trailing @open"), "trailing @open");
}

}  // namespace
}  // namespace ads
