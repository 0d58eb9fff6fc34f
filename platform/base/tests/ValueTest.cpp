#include "platform/base/Value.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/base/Error.h"

using platform::Date;
using platform::Error;
using platform::Value;

TEST(Value, ConstructorsPickTheExpectedType) {
    EXPECT_TRUE(Value().isNull());
    EXPECT_TRUE(Value(nullptr).isNull());
    EXPECT_TRUE(Value(true).isBool());
    EXPECT_TRUE(Value(3).isInteger());
    EXPECT_TRUE(Value(std::size_t{3}).isInteger());
    EXPECT_TRUE(Value(int64_t{-1}).isInteger());
    EXPECT_TRUE(Value(1.5).isReal());
    EXPECT_TRUE(Value(1.5f).isReal());
    // A string literal must never turn into a boolean.
    EXPECT_TRUE(Value("x").isString());
    EXPECT_TRUE(Value(std::string("x")).isString());
    EXPECT_TRUE(Value(Value::Bytes{1, 2}).isData());
    EXPECT_TRUE(Value(Date{5}).isDate());
    EXPECT_TRUE(Value::array().isArray());
    EXPECT_TRUE(Value::dictionary().isDictionary());
}

TEST(Value, WrongTypeGettersAnswerTheDefault) {
    Value s("12");
    EXPECT_EQ(s.asInteger(), 0);
    EXPECT_EQ(s.asInteger(7), 7);
    EXPECT_FALSE(s.asBool());
    EXPECT_EQ(Value(3).asString("none"), "none");
    EXPECT_TRUE(Value(3).asArray().empty());
    EXPECT_TRUE(Value(3).asDictionary().empty());
    EXPECT_TRUE(Value(3).asData().empty());
    EXPECT_EQ(Value(3).asDate(Date{9}).secondsSince1970, 9);
    EXPECT_TRUE(Value(3).get("k").isNull());
    EXPECT_TRUE(Value::array({1}).at(1).isNull());
    EXPECT_TRUE(Value::array({1})[-1].isNull());
}

TEST(Value, NumbersConvertAmongThemselves) {
    EXPECT_EQ(Value(2.9).asInteger(), 2);
    EXPECT_EQ(Value(-2.9).asInteger(), -2);
    EXPECT_EQ(Value(1e300).asInteger(), INT64_MAX);
    EXPECT_EQ(Value(-1e300).asInteger(), INT64_MIN);
    EXPECT_EQ(Value(std::nan("")).asInteger(5), 0);
    EXPECT_DOUBLE_EQ(Value(4).asReal(), 4.0);
    EXPECT_TRUE(Value(2).asBool());
    EXPECT_FALSE(Value(0.0).asBool(true));
    EXPECT_EQ(Value(true).asInteger(), 1);
}

TEST(Value, CopiesAreDeep) {
    Value inner = Value::dictionary({{"n", 1}});
    Value outer = Value::dictionary({{"inner", inner}, {"list", Value::array({1, 2})}});
    Value copy = outer;
    ASSERT_TRUE(copy.dictionaryPtr());
    (*copy.dictionaryPtr())["inner"].set("n", 2);
    (*copy.dictionaryPtr())["list"].append(3);
    EXPECT_EQ(outer["inner"]["n"].asInteger(), 1);
    EXPECT_EQ(outer["list"].size(), 2u);
    EXPECT_EQ(copy["inner"]["n"].asInteger(), 2);
    EXPECT_FALSE(copy == outer);
}

TEST(Value, EqualityIsDeepAndTypeStrict) {
    Value a = Value::dictionary({{"a", Value::array({1, "x", Value::data("\x01", 1)})}});
    Value b = Value::dictionary({{"a", Value::array({1, "x", Value::data("\x01", 1)})}});
    EXPECT_EQ(a, b);
    EXPECT_FALSE(Value(1) == Value(1.0));
    EXPECT_FALSE(Value(1) == Value(true));
    EXPECT_FALSE(Value("1") == Value(1));
    EXPECT_EQ(Value(), Value(nullptr));
}

TEST(Value, SetAndAppendOnlyChangeTheMatchingContainer) {
    Value v;
    EXPECT_TRUE(v.set("k", 1));
    EXPECT_TRUE(v.isDictionary());
    EXPECT_FALSE(v.append(1));
    Value list;
    EXPECT_TRUE(list.append("a"));
    EXPECT_FALSE(list.set("k", 1));
    Value n(5);
    EXPECT_FALSE(n.set("k", 1));
    EXPECT_EQ(n, Value(5));
    EXPECT_TRUE(v.erase("k"));
    EXPECT_FALSE(v.erase("k"));
}

TEST(Value, DescriptionFollowsTheLoggedLayout) {
    EXPECT_EQ(Value("plain text").description(), "plain text");
    EXPECT_EQ(Value(42).description(), "42");
    EXPECT_EQ(Value(0.5).description(), "0.5");
    EXPECT_EQ(Value(true).description(), "1");
    EXPECT_EQ(Value().description(), "<null>");
    EXPECT_EQ(Value(Value::Bytes{0, 1, 0xab, 3, 4}).description(), "<0001ab03 04>");
    EXPECT_EQ(Value(Date::fromReferenceDate(0)).description(), "2001-01-01 00:00:00 +0000");
    Value d =
        Value::dictionary({{"name", "two words"}, {"id", 7}, {"list", Value::array({"a", ""})}});
    EXPECT_EQ(d.description(),
              "{\n    id = 7;\n    list = (\n        a,\n        \"\"\n    );\n"
              "    name = \"two words\";\n}");
}

TEST(Error, DescriptionsAndChaining) {
    Error plain{"com.example", 3};
    EXPECT_EQ(plain.localizedDescription(),
              "The operation couldn\u2019t be completed. (com.example error 3.)");
    Error e = Error::make("net", -1001, "The request timed out.");
    EXPECT_EQ(e.localizedDescription(), "The request timed out.");
    e.withUnderlying(plain);
    ASSERT_TRUE(e.underlying);
    EXPECT_TRUE(e.underlying->is("com.example", 3));
    EXPECT_NE(e.description().find("Code=-1001"), std::string::npos);
    EXPECT_NE(e.description().find("com.example"), std::string::npos);
    Error copy = e;
    EXPECT_EQ(copy, e);
    copy.withUserInfo("k", 1);
    EXPECT_FALSE(copy == e);
}

TEST(Value, TextOrNumberAccessorsFollowTheNumberTextRules) {
    EXPECT_EQ(Value(" 42abc").intValue(), 42);
    EXPECT_EQ(Value("99999999999").intValue(), INT32_MAX);
    EXPECT_EQ(Value(int64_t{99999999999}).intValue(), INT32_MAX);
    EXPECT_EQ(Value(-1e20).intValue(), INT32_MIN);
    EXPECT_EQ(Value(7.9).intValue(), 7);
    EXPECT_EQ(Value("12345678901").integerValue(), 12345678901);
    EXPECT_DOUBLE_EQ(Value("2.5x").doubleValue(), 2.5);
    EXPECT_DOUBLE_EQ(Value(3).doubleValue(), 3.0);
    EXPECT_TRUE(Value("YES").boolValue());
    EXPECT_FALSE(Value("NO").boolValue());
    EXPECT_TRUE(Value(1).boolValue());
    EXPECT_EQ(Value(12).stringValue(), "12");
    EXPECT_EQ(Value(0.25).stringValue(), "0.25");
    EXPECT_EQ(Value("text").stringValue(), "text");
    EXPECT_EQ(Value::array({1}).stringValue(), "");
    EXPECT_EQ(Value::array({1}).intValue(), 0);
    EXPECT_EQ(Value().intValue(), 0);
}

TEST(Value, IndexesWithAnyIntegerType) {
    Value list = Value::array({"a", "b"});
    unsigned u = 1;
    long l = 0;
    std::size_t z = 1;
    EXPECT_EQ(list[u].asString(), "b");
    EXPECT_EQ(list[l].asString(), "a");
    EXPECT_EQ(list[z].asString(), "b");
    EXPECT_TRUE(list[-1L].isNull());
    EXPECT_TRUE(list[2].isNull());
    EXPECT_TRUE(Value::dictionary({{"k", 1}})[0].isNull());
    EXPECT_EQ(Value::dictionary({{"k", 1}})["k"].asInteger(), 1);
    EXPECT_TRUE(Value::array({1})["k"].isNull());
}
