#include "platform/storage/Json.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "RandomDamage.h"
#include "platform/storage/StorageError.h"
#include "platform/testing/TempDir.h"

using namespace platform;

namespace {

std::string compact(const Value& v, unsigned options = Json::kWritingCompact) {
    Error error;
    auto text = Json::write(v, options, &error);
    EXPECT_TRUE(text) << error.description();
    return text.value_or("");
}

void expectCorrupt(std::string_view text, unsigned options = Json::kReadingDefault) {
    Error error;
    EXPECT_FALSE(Json::parse(text, options, &error)) << text;
    EXPECT_TRUE(error.is(StorageError::kDomain, StorageError::kPropertyListReadCorrupt))
        << text << ": " << error.description();
}

}  // namespace

TEST(JsonTest, RoundTripsCompactAndPretty) {
    Value v = Value::dictionary({
        {"int", -42},
        {"big", std::numeric_limits<std::int64_t>::min()},
        {"real", 0.1},
        {"whole", 3.0},
        {"tiny", 1e-300},
        {"yes", true},
        {"nothing", Value()},
        {"text", "h\u00e9llo \u30e2 \U0001F354 \"quoted\" back\\slash\ttab"},
        {"list",
         Value::array({1, Value::array(), Value::dictionary(), Value::dictionary({{"k", "v"}})})},
    });
    for (unsigned options : {0u, unsigned(Json::kWritingPrettyPrinted)}) {
        auto text = compact(v, options);
        Error error;
        auto back = Json::parse(text, Json::kReadingDefault, &error);
        ASSERT_TRUE(back) << error.description() << "\n" << text;
        EXPECT_EQ(*back, v) << text;
    }
    EXPECT_EQ(compact(Value::dictionary(
                  {{"a", Value::array({1, 2.5, true, Value()})}, {"b", Value::dictionary()}})),
              R"({"a":[1,2.5,true,null],"b":{}})");
    EXPECT_EQ(compact(Value::dictionary({{"a", Value::array({1, 2})}, {"b", "x"}}),
                      Json::kWritingPrettyPrinted),
              "{\n  \"a\" : [\n    1,\n    2\n  ],\n  \"b\" : \"x\"\n}");
}

TEST(JsonTest, OutputIsSafeInsideAScript) {
    std::string text =
        compact(Value::array({"</script><script>alert(1)</script>", "line\u2028sep\u2029end",
                              std::string("\x01\x7f", 2)}));
    EXPECT_EQ(
        text,
        R"(["<\/script><script>alert(1)<\/script>","line\u2028sep\u2029end","\u0001\u007f"])");
    // Still plain JSON to any reader.
    EXPECT_EQ(Json::parse(text),
              Value::array({"</script><script>alert(1)</script>", "line\u2028sep\u2029end",
                            std::string("\x01\x7f", 2)}));
}

TEST(JsonTest, BrokenUtf8IsReplacedNotThrown) {
    // Written: the broken bytes become U+FFFD, in keys too.
    EXPECT_EQ(compact(Value::dictionary({{"k\xff", "caf\xC3"}})), "{\"k\uFFFD\":\"caf\uFFFD\"}");
    // Read: an answer cut inside a character.
    auto v = Json::parse("{\"name\":\"caf\xC3\",\"ok\":\"\xE2\x82\"}");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->get("name"), Value("caf\uFFFD"));
    EXPECT_EQ(v->get("ok"), Value("\uFFFD"));
    EXPECT_EQ(Json::parse("\xEF\xBB\xBF[1]"), Value::array({1}));
}

TEST(JsonTest, FragmentsOnlyWhenAllowed) {
    expectCorrupt("\"abc\"");
    expectCorrupt("12");
    EXPECT_EQ(Json::parse("\"abc\"", Json::kReadingAllowFragments), Value("abc"));
    EXPECT_EQ(Json::parse(" 12 ", Json::kReadingAllowFragments), Value(12));
    EXPECT_EQ(Json::parse("null", Json::kReadingAllowFragments), Value());
    EXPECT_EQ(Json::parse("18446744073709551615", Json::kReadingAllowFragments),
              Value(18446744073709551615.0));

    Error error;
    EXPECT_FALSE(Json::write(Value("abc"), Json::kWritingCompact, &error));
    EXPECT_TRUE(error.is(StorageError::kDomain, StorageError::kPropertyListWriteInvalid));
    EXPECT_EQ(Json::write(Value("a/b"), Json::kWritingFragmentsAllowed), R"("a\/b")");
    EXPECT_EQ(Json::write(Value(2.0), Json::kWritingFragmentsAllowed), "2.0");
    EXPECT_FALSE(Json::isValidJSONObject(Value(1)));
    EXPECT_TRUE(Json::isValidJSONObject(Value::array()));
}

TEST(JsonTest, MalformedInputAndUnwritableValuesAreErrors) {
    for (const char* bad :
         {"", "  ", "{", "[1,]", "{'a':1}", "[NaN]", "[1] x", "{\"a\" 1}", "[\"unterminated]",
          "// c\n[1]", "[\"\\ud800\"]", "{\"a\":tru}", "[\"tab\there\"]", "[1e400]", "[-1e999]"})
        expectCorrupt(bad);
    std::string deep(100000, '[');
    expectCorrupt(deep);
    deep += std::string(100000, ']');
    expectCorrupt(deep);

    Error error;
    EXPECT_FALSE(Json::parse("[1,", Json::kReadingDefault, &error));
    EXPECT_NE(error.localizedDescription().find("unexpected end of input"), std::string::npos)
        << error.localizedDescription();

    Value deepValue = Value::array();
    for (int i = 0; i < Json::kMaxDepth + 2; ++i) deepValue = Value::array({deepValue});
    for (const Value& bad :
         {Value::array({Value(Value::Bytes{1})}), Value::dictionary({{"d", Value(Date{1})}}),
          Value::array({std::numeric_limits<double>::quiet_NaN()}),
          Value::array({std::numeric_limits<double>::infinity()}), deepValue}) {
        EXPECT_FALSE(Json::write(bad, Json::kWritingCompact, &error));
        EXPECT_EQ(error.code, StorageError::kPropertyListWriteInvalid);
        EXPECT_FALSE(Json::isValidJSONObject(bad));
    }
}

TEST(JsonTest, Files) {
    platform::testing::TempDir dir;
    Value v = Value::dictionary({{"a", 1}});
    ASSERT_TRUE(Json::writeFile(dir / "x.json", v));
    EXPECT_EQ(Json::readFile(dir / "x.json"), v);
    Error error;
    EXPECT_FALSE(Json::readFile(dir / "none.json", Json::kReadingDefault, &error));
    EXPECT_EQ(error.code, StorageError::kFileReadNoSuchFile);
    EXPECT_FALSE(Json::writeFile(dir / "x.json", Value::array({Value(Date{})})));
    EXPECT_EQ(Json::readFile(dir / "x.json"), v);
}

TEST(JsonTest, DamagedTextNeverCrashesAndWhatReadsWritesBack) {
    const std::string json =
        R"({"a":[1,2.5e3,-0,true,false,null,"s\u00e9\ud83d\ude97"],"b":{"c":"\/"}})";
    const std::string_view alphabet = "{}[],:\"\\/u0123456789eE.-+tfn \xC3\xA9\xFF";
    std::mt19937 rng(7);
    for (int round = 0; round < 3000; ++round) {
        const std::string damaged = storage_test::randomlyDamaged(json, alphabet, rng, false);
        auto v = Json::parse(damaged, Json::kReadingAllowFragments);
        if (!v) continue;
        auto text = Json::write(*v, Json::kWritingFragmentsAllowed);
        if (text) {
            EXPECT_EQ(Json::parse(*text, Json::kReadingAllowFragments), *v) << damaged;
        }
    }
}
