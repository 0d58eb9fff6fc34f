#include "ads/foundation/GADJSONAdditions.h"

#include <gtest/gtest.h>

#include <cmath>

#include "ads/foundation/GADInternalError.h"

namespace ads {
namespace {

using platform::Value;

TEST(GADJSONAdditionsTest, WritesOnlyValidObjects) {
    const Value dict = Value::dictionary({{"b", 1}, {"a", "x/y"}});
    EXPECT_EQ(gad_JSONString(dict, false), R"({"a":"x\/y","b":1})");
    auto pretty = gad_JSONString(dict, true);
    ASSERT_TRUE(pretty);
    EXPECT_NE(pretty->find('\n'), std::string::npos);

    platform::Error error;
    const Value withData = Value::dictionary({{"d", Value(Value::Bytes{1, 2})}});
    EXPECT_FALSE(gad_JSONString(withData, false, &error));
    EXPECT_TRUE(error.is(kGADPrivateErrorDomain, 2));
    EXPECT_EQ(error.localizedDescription(), "Invalid JSON object.");
    EXPECT_FALSE(gad_JSONString(Value("fragment"), false));
}

TEST(GADJSONAdditionsTest, ReadsFragmentsAndReportsBrokenText) {
    EXPECT_EQ(gad_decodedJSONObject(R"("text")"), Value("text"));
    EXPECT_EQ(gad_decodedJSONObject("12"), Value(12));
    EXPECT_EQ(gad_decodedJSONObject(R"({"a":[1,2]})"),
              Value::dictionary({{"a", Value::array({1, 2})}}));
    platform::Error error;
    EXPECT_FALSE(gad_decodedJSONObject("{\"a\":", &error));
    EXPECT_FALSE(error.domain.empty());
    EXPECT_FALSE(gad_decodedJSONObject(""));
}

TEST(GADJSONAdditionsTest, SafeFormEntersContainersAndDescribesTheRest) {
    const Value safe = Value::dictionary(
        {{"n", 1}, {"s", "x"}, {"list", Value::array({1, "y", Value()})}, {"nil", Value()}});
    Value untouched = safe;
    EXPECT_FALSE(gad_makeJSONSafe(untouched));
    EXPECT_EQ(untouched, safe);
    EXPECT_EQ(gad_JSONSafeDictionary(safe), safe);
    EXPECT_EQ(gad_JSONSafeDictionary(Value::dictionary()), Value::dictionary());

    const Value data(Value::Bytes{0x0a, 0x0b});
    const Value date(platform::Date::fromReferenceDate(0));
    const Value unsafe = Value::dictionary({
        {"data", data},
        {"inner", Value::dictionary({{"date", date}, {"ok", 2}})},
        {"list",
         Value::array({1, data, Value::array({std::nan("")}), Value::dictionary({{"d", date}})})},
        {"url", "https://ads.movuroute.invalid/x"},
    });
    const Value made = gad_JSONSafeDictionary(unsafe);
    EXPECT_EQ(made["data"], Value(data.description()));
    EXPECT_EQ(made["inner"]["date"], Value(date.description()));
    EXPECT_EQ(made["inner"]["ok"], Value(2));
    // Arrays are entered: the good elements keep their types.
    EXPECT_EQ(made["list"][0], Value(1));
    EXPECT_EQ(made["list"][1], Value(data.description()));
    EXPECT_EQ(made["list"][2][0], Value("nan"));
    EXPECT_EQ(made["list"][3]["d"], Value(date.description()));
    EXPECT_EQ(made["url"], unsafe["url"]);
    EXPECT_TRUE(gad_JSONString(made, false));

    // Nesting deeper than JSON can be written turns into text too.
    Value deep = Value::dictionary({{"leaf", 1}});
    for (int i = 0; i < 600; ++i) deep = Value::dictionary({{"k", deep}});
    EXPECT_TRUE(gad_JSONString(gad_JSONSafeDictionary(deep), false));
}

TEST(GADJSONAdditionsTest, TypedLookup) {
    const Value dict = Value::dictionary({{"n", 3}, {"s", "x"}, {"b", true}});
    ASSERT_TRUE(gad_objectForKey(dict, "n", &Value::isNumber));
    EXPECT_EQ(*gad_objectForKey(dict, "n", &Value::isNumber), Value(3));
    EXPECT_TRUE(gad_objectForKey(dict, "b", &Value::isNumber));
    EXPECT_FALSE(gad_objectForKey(dict, "s", &Value::isNumber));
    EXPECT_FALSE(gad_objectForKey(dict, "missing", &Value::isString));
    EXPECT_FALSE(gad_objectForKey(Value::array({1}), "n", &Value::isNumber));
}

}  // namespace
}  // namespace ads
