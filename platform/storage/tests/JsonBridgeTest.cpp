#include "platform/storage/JsonBridge.h"

#include <gtest/gtest.h>

#include "platform/storage/StorageError.h"

using namespace platform;

TEST(JsonBridgeTest, ConvertsBothWays) {
    Value v = Value::dictionary({{"n", -3},
                                 {"r", 2.5},
                                 {"b", true},
                                 {"s", "h\u00e9"},
                                 {"z", Value()},
                                 {"a", Value::array({1, Value::dictionary({{"k", "v"}})})}});
    auto j = JsonBridge::toJson(v);
    ASSERT_TRUE(j);
    EXPECT_EQ((*j)["a"][1]["k"], "v");
    EXPECT_EQ(j->dump(), R"({"a":[1,{"k":"v"}],"b":true,"n":-3,"r":2.5,"s":"hé","z":null})");
    EXPECT_EQ(JsonBridge::fromJson(*j), v);

    // Broken text is repaired on the way, so dumping the document never throws.
    auto broken = JsonBridge::toJson(Value::dictionary({{"k\xff", "v\xC3"}}));
    ASSERT_TRUE(broken);
    EXPECT_NO_THROW((void)broken->dump());

    EXPECT_EQ(JsonBridge::fromJson(nlohmann::json(18446744073709551615ull)),
              Value(18446744073709551615.0));
    EXPECT_EQ(JsonBridge::fromJson(nlohmann::json::binary({1, 2})), Value(Value::Bytes{1, 2}));

    Error error;
    EXPECT_FALSE(JsonBridge::toJson(Value::array({Value(Date{})}), &error));
    EXPECT_EQ(error.code, StorageError::kPropertyListWriteInvalid);
    EXPECT_FALSE(JsonBridge::toJson(Value(Value::Bytes{1})));
}
