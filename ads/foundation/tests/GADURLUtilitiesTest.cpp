#include "ads/foundation/GADStringAdditions.h"
#include "ads/foundation/GADURLUtilities.h"

#include <gtest/gtest.h>

namespace ads {
namespace {

using platform::Url;
using platform::Value;

Url url(const char* text) {
    auto parsed = Url::parse(text);
    EXPECT_TRUE(parsed) << text;
    return parsed.value_or(*Url::parse("http://invalid/"));
}

std::string appended(const char* base, const Value::Dictionary& params) {
    auto result = gad_appendQueryParameters(url(base), params);
    return result ? result->absoluteString() : "<no url>";
}

TEST(GADURLUtilitiesTest, AppendingKeepsTheAdUrlTailAndTheFragmentLast) {
    const Value::Dictionary kv{{"k", Value("v")}};
    EXPECT_EQ(appended("https://a.test/p", kv), "https://a.test/p?k=v");
    EXPECT_EQ(appended("https://a.test/p?adurl=x", kv), "https://a.test/p?adurl=x&k=v");
    EXPECT_EQ(appended("https://a.test/p?a=1&adurl=x", kv), "https://a.test/p?a=1&k=v&adurl=x");
    // The tail is found as written: another case is an ordinary parameter.
    EXPECT_EQ(appended("https://a.test/p?a=1&ADURL=x", kv), "https://a.test/p?a=1&ADURL=x&k=v");
    EXPECT_EQ(appended("https://a.test/p?a=1&adurl=x#top", kv),
              "https://a.test/p?a=1&k=v&adurl=x#top");
    EXPECT_EQ(appended("https://a.test/p#top", kv), "https://a.test/p?k=v#top");
    // Only the query's "&adurl=" is the tail; the path keeps its own.
    EXPECT_EQ(appended("https://a.test/p&adurl=x", kv), "https://a.test/p&adurl=x?k=v");
    EXPECT_EQ(appended("https://a.test/p&adurl=x?a=1&adurl=y", kv),
              "https://a.test/p&adurl=x?a=1&k=v&adurl=y");
    // A bare "?" gets no second one.
    EXPECT_EQ(appended("https://a.test/p?", kv), "https://a.test/p?k=v");
    EXPECT_EQ(appended("https://a.test/p?#f", kv), "https://a.test/p?k=v#f");
    // A "?" inside a query is data, not the query's start.
    EXPECT_EQ(appended("https://a.test/p?a=b?", kv), "https://a.test/p?a=b?&k=v");
    EXPECT_EQ(appended("https://a.test/p?&adurl=x", kv), "https://a.test/p?k=v&adurl=x");
}

TEST(GADURLUtilitiesTest, KeysAsTheyAreValuesEscapedEmptyValuesBare) {
    const Value::Dictionary params{{"b", Value("x y&z")}, {"a", Value(2)}, {"flag", Value("")}};
    EXPECT_EQ(appended("https://a.test/", params), "https://a.test/?a=2&b=x%20y%26z&flag");
    EXPECT_EQ(appended("https://a.test/", {}), "https://a.test/");
    // A key that makes no URL gives none.
    EXPECT_FALSE(gad_appendQueryParameters(url("https://a.test/"), {{"bad key", Value(1)}}));
    auto one = gad_appendQueryValue(url("https://a.test/?q=1"), std::nullopt, "e");
    ASSERT_TRUE(one);
    EXPECT_EQ(one->absoluteString(), "https://a.test/?q=1&e");
    EXPECT_EQ(gad_appendQueryValue(url("https://a.test/"), "1 2", "k")->absoluteString(),
              "https://a.test/?k=1%202");
}

TEST(GADURLUtilitiesTest, ParameterValuesInQueryOrder) {
    const Url u = url("https://a.test/?k=1&x=y&k=a%2Bb+c&k=%FF&k&k=1=2;k=3&K=up");
    EXPECT_EQ(gad_parameterValuesForKey(u, "k"), (std::vector<std::string>{"1", "a+b+c"}));
    EXPECT_EQ(gad_parameterValueForKey(u, "k"), "1");
    EXPECT_EQ(gad_parameterValueForKey(u, "K"), "up");
    EXPECT_FALSE(gad_parameterValuesForKey(u, "missing"));
    EXPECT_FALSE(gad_parameterValuesForKey(url("https://a.test/"), "k"));
    EXPECT_EQ(gad_parameterValueForKey(url("https://a.test/?e="), "e"), "");
}

TEST(GADURLUtilitiesTest, MessageQueriesBecomeDictionaries) {
    const auto dict = gad_dictionaryFromQueryParameters(
        "name=pause&info=a%20b;x&NAME=y&a=1=2&"
        "p=a%2Bb+c&bad=%E0&dup=1&dup=2&e=",
        false);
    EXPECT_EQ(Value(dict), Value::dictionary({{"name", "pause"},
                                              {"info", "a b"},
                                              {"NAME", "y"},
                                              {"p", "a+b+c"},
                                              {"dup", "2"},
                                              {"e", ""}}));
    const auto lower = gad_dictionaryFromQueryParameters("NAME=x&Mixed=y", true);
    EXPECT_EQ(Value(lower), Value::dictionary({{"name", "x"}, {"mixed", "y"}}));
    EXPECT_TRUE(gad_dictionaryFromQueryParameters(url("gmsg://host/log"), false).empty());
}

TEST(GADURLUtilitiesTest, TicketsFragmentsHostsAndSchemes) {
    EXPECT_EQ(gad_impressionTicket(url("https://a.test/x/ab/cd")), "ab/cd");
    EXPECT_FALSE(gad_impressionTicket(url("https://a.test/x/ab")));
    EXPECT_EQ(gad_absoluteStringWithoutFragmentComponent(url("https://a.test/p?q#frag")),
              "https://a.test/p?q");
    EXPECT_EQ(gad_absoluteStringWithoutFragmentComponent(url("https://a.test/p#")),
              "https://a.test/p");
    EXPECT_EQ(gad_absoluteStringWithoutFragmentComponent(url("https://a.test/p")),
              "https://a.test/p");
    EXPECT_TRUE(gad_isHostEqualToString(url("https://Ads.Test/"), "ads.test", false));
    EXPECT_FALSE(gad_isHostEqualToString(url("https://Ads.Test/"), "ads.test", true));
    EXPECT_FALSE(gad_isHostEqualToString(url("mailto:x@y"), "", false));
    EXPECT_TRUE(gad_isSchemeEqualToString(url("GMSG://x/log"), "gmsg", false));
    EXPECT_FALSE(gad_isSchemeEqualToString(url("/relative"), "", false));
}

TEST(GADURLUtilitiesTest, OnlyWebAddressesWithAHostAreWebURLs) {
    EXPECT_TRUE(gad_isWebURL(url("HTTPS://a.test/")));
    EXPECT_TRUE(gad_webURLFromString("Http://a.test/p?q"));
    for (const char* text : {"file:///etc/passwd", "https:///no-host", "javascript:alert(1)",
                             "httpx://a.test/", "/relative", "", "gmsg://a.test/log"}) {
        EXPECT_FALSE(gad_webURLFromString(text)) << text;
    }
    // Only ASCII letters change: other bytes (UTF-8 included) stay as they are.
    EXPECT_EQ(gad_asciiLowercased("Ä-Content-TYPE-\xC3\x84"), "Ä-content-type-\xC3\x84");
}

}  // namespace
}  // namespace ads
