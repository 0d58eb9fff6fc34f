#include "online/AnnounceInfo.h"

#include <gtest/gtest.h>

#include <limits>

#include "online/AnnounceText.h"

using namespace online;

using platform::Value;

namespace {

Value row(std::initializer_list<Value> items) {
    return Value::array(items);
}

}  // namespace

TEST(AnnounceInfoTest, ParsesEveryRowKind) {
    Value list = Value::array({
        row({"HPVe", "Am1"}),
        row({"HVSi", "320", "50.5"}),
        row({"HCIt", "3600", "120x"}),
        row({"HFUr", "img/"}),
        row({"Fi", "b1", "b1.png", "1A2B3C4D"}),
        row({"UB", "0", "0", "b1", "go"}),
        row({"UI", "100", "5", "b1"}),
        row({"AU", "go", "http://example.invalid/a"}),
        row({"AS", "menu", "Pick", Value::array({row({"One", "go"})})}),
        row({"SetP", "durezEnable", "1"}),
        row({"PUAd", "", "7", "0", "T", "M", Value::array()}),
        row({"Zzzz", "ignored"}),
    });
    AnnounceInfo info;
    ASSERT_TRUE(info.parse(list));
    EXPECT_EQ(info.viewSize, (platform::Size{320, 50.5}));
    EXPECT_EQ(info.checkIntervalAfterSuccess, 3600);
    EXPECT_EQ(info.checkIntervalAfterFailure, 120);
    EXPECT_EQ(info.fileUrlBase, "img/");
    ASSERT_EQ(info.files.count("b1"), 1u);
    EXPECT_EQ(info.files["b1"].at(2).asString(), "b1.png");
    ASSERT_EQ(info.uiitems.size(), 2u);
    EXPECT_EQ(info.uiitems[0].at(0).asString(), "UB");
    EXPECT_EQ(info.uiitems[1].at(0).asString(), "UI");
    EXPECT_EQ(info.actions.size(), 2u);
    EXPECT_EQ(info.amProperties.at("durezEnable"), Value("1"));
    ASSERT_TRUE(info.popupAdInfo);
    EXPECT_EQ(info.popupAdInfo->at(2).asString(), "7");

    // Defaults of an empty list, which is accepted.
    AnnounceInfo empty;
    EXPECT_TRUE(empty.parse(Value::array()));
    EXPECT_EQ(empty.fileUrlBase, "./");
    EXPECT_EQ(empty.checkIntervalAfterSuccess, 0);
    EXPECT_FALSE(empty.popupAdInfo);
}

TEST(AnnounceInfoTest, IntervalsSettingsAndPopUpRules) {
    AnnounceInfo info;
    ASSERT_TRUE(info.parse(Value::array({
        row({"HCIt", "99999999", "1e300"}),
        row({"SetP", "notAKey", "1"}),
        row({"SetP", 5, "1"}),
        row({"SetP", "durezRefreshInterval", 30}),
        row({"SetP", "durezInterstitialAdInterval", "180"}),
        row({"PUAd", "", "7"}),
        row({"PUAd", "", "8"}),
        row({"HFUr", 3}),
        row({"HVSi"}),
    })));
    EXPECT_EQ(info.checkIntervalAfterSuccess, AnnounceInfo::kMaxCheckInterval);
    EXPECT_EQ(info.checkIntervalAfterFailure, AnnounceInfo::kMaxCheckInterval);
    // Unknown keys and values that are not texts are dropped.
    EXPECT_EQ(info.amProperties.size(), 1u);
    EXPECT_EQ(info.amProperties.at("durezInterstitialAdInterval"), Value("180"));
    EXPECT_EQ(info.popupAdInfo->at(2).asString(), "8");
    EXPECT_FALSE(info.fileUrlBase);
    EXPECT_EQ(info.viewSize, (platform::Size{0, 0}));
}

TEST(AnnounceInfoTest, MalformedListsAreRejected) {
    const Value bad[] = {
        Value::array({Value("UB")}),              // a row that is not an array
        Value::array({Value::array()}),           // no command
        Value::array({row({5, "x"})}),            // command not a text
        Value::array({row({"HPVe", "Am2"})}),     // another version
        Value::array({row({"HPVe"})}),            // version missing
        Value::array({row({"HPVe", Value(1)})}),  // version not a text
    };
    for (const Value& list : bad) {
        AnnounceInfo info;
        EXPECT_FALSE(info.parse(list)) << list.description();
    }
    // Keyless action and file rows cannot be looked up; they are dropped, the list stands.
    AnnounceInfo info;
    EXPECT_TRUE(info.parse(Value::array({row({"AU"}), row({"AS", 3}), row({"Fi"})})));
    EXPECT_TRUE(info.actions.empty());
    EXPECT_TRUE(info.files.empty());
}

TEST(AnnounceInfoTest, CacheNamesCarryTheCrc) {
    auto ref = AnnounceInfo::processFileCmd(row({"Fi", "k", "b1.png", "1A2B3C4D"}));
    ASSERT_TRUE(ref);
    EXPECT_EQ(ref->fileName, "b1.png");
    EXPECT_EQ(ref->crc32, 0x1a2b3c4du);
    EXPECT_EQ(ref->cacheFilename, "b1.png.1a2b3c4d");
    EXPECT_EQ(AnnounceInfo::processFileCmd(row({"Fi", "k", "b.png"}))->cacheFilename,
              "b.png.00000000");
    EXPECT_EQ(AnnounceInfo::processFileCmd(row({"Fi", "k", "b.png", "123456789"}))->crc32,
              0x23456789u);
    EXPECT_EQ(AnnounceInfo::processFileCmd(row({"Fi", "k", "b.png", "zz"}))->crc32, 0u);
}

TEST(AnnounceInfoTest, FileNamesThatCouldLeaveTheCacheAreRefused) {
    const std::string names[] = {"../evil.png",
                                 "..",
                                 ".",
                                 "a/b.png",
                                 "a\\b.png",
                                 "/etc/passwd",
                                 ".hidden",
                                 std::string("a\0b", 3),
                                 "",
                                 std::string(201, 'x')};
    for (const std::string& name : names) {
        EXPECT_FALSE(AnnounceInfo::processFileCmd(row({"Fi", "k", name, "1"}))) << name;
        AnnounceInfo info;
        EXPECT_FALSE(info.parse(Value::array({row({"Fi", "k", name, "1"})}))) << name;
    }
    EXPECT_FALSE(AnnounceInfo::processFileCmd(row({"Fi", "k", 5, "1"})));
    EXPECT_TRUE(AnnounceInfo::processFileCmd(row({"Fi", "k", "b..c.png", "1"})));
}

TEST(AnnounceTextTest, NumbersFromUntrustedTexts) {
    EXPECT_EQ(AnnounceDoubleValue(Value(" 12.5s")), 12.5);
    EXPECT_EQ(AnnounceDoubleValue(Value("-3")), -3);
    EXPECT_EQ(AnnounceDoubleValue(Value("nan")), 0);
    EXPECT_EQ(AnnounceDoubleValue(Value("inf")), 0);
    EXPECT_EQ(AnnounceDoubleValue(Value(".")), 0);
    EXPECT_EQ(AnnounceDoubleValue(Value(7)), 0);
    EXPECT_EQ(AnnounceDoubleValue(Value("1e999")), std::numeric_limits<double>::max());
    EXPECT_EQ(AnnounceIntValue(Value("99999999999")), INT32_MAX);
    EXPECT_EQ(AnnounceIntValue(Value("-99999999999")), INT32_MIN);
    EXPECT_EQ(AnnounceLongLongValue(Value("4102444800")), 4102444800LL);
    EXPECT_EQ(AnnounceLongLongValue(Value("99999999999999999999")), INT64_MAX);
    EXPECT_EQ(AnnounceLongLongValue(Value("50000000000000000000")), INT64_MAX);
    EXPECT_EQ(AnnounceLongLongValue(Value("-9223372036854775808")), INT64_MIN);
    EXPECT_EQ(AnnounceHexValue(Value("0xFF")), 0xffu);
}
