#include "platform/base/Decimal.h"

#include <gtest/gtest.h>

#include "platform/base/Value.h"

using platform::Decimal;
using platform::Value;

namespace {

std::string plain(std::string_view text) {
    auto value = Decimal::parse(text);
    return value ? value->toString() : "<none>";
}

}  // namespace

TEST(Decimal, ParsesPlainAndExponentTextAndWritesItBackPlain) {
    EXPECT_EQ(plain("0"), "0");
    EXPECT_EQ(plain("-0.000"), "0");
    EXPECT_EQ(plain("12.50"), "12.5");
    EXPECT_EQ(plain("+007"), "7");
    EXPECT_EQ(plain(".5"), "0.5");
    EXPECT_EQ(plain("5."), "5");
    EXPECT_EQ(plain("-0.001"), "-0.001");
    EXPECT_EQ(plain("3e2"), "300");
    EXPECT_EQ(plain("1.25E-3"), "0.00125");
    EXPECT_EQ(plain("1" + std::string(70, '0')), "1" + std::string(70, '0'));
}

TEST(Decimal, RefusesAnythingButANumberAndValuesTooLargeToBeAmounts) {
    for (const char* bad : {"", "-", ".", "e5", "1e", "1e+", "1,000", "1 000", " 1", "1 ", "0x10",
                            "1.2.3", "--1", "1e5x", "nan", "inf", "١"}) {
        EXPECT_FALSE(Decimal::parse(bad)) << bad;
    }
    EXPECT_FALSE(Decimal::parse("1e401"));
    EXPECT_TRUE(Decimal::parse("1e400"));
    EXPECT_FALSE(Decimal::parse("1e-401"));
    EXPECT_FALSE(Decimal::parse(std::string(65, '7')));
    EXPECT_FALSE(Decimal::parse("1e99999999999999999999"));
    EXPECT_FALSE(Decimal::parse("0." + std::string(100000, '0') + "1"));
    // Zero needs no digits of significance, however it is written.
    EXPECT_EQ(plain("0e99999"), "0");
}

TEST(Decimal, JsonNumbersKeepTheirShortestText) {
    EXPECT_EQ(Decimal::fromDouble(0.1)->toString(), "0.1");
    EXPECT_EQ(Decimal::fromDouble(1.99)->toString(), "1.99");
    EXPECT_EQ(Decimal::fromDouble(-2.5e-7)->toString(), "-0.00000025");
    EXPECT_EQ(Decimal::fromDouble(1e21)->toString(), "1" + std::string(21, '0'));
    EXPECT_FALSE(Decimal::fromDouble(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(Decimal::fromDouble(std::numeric_limits<double>::infinity()));
    EXPECT_EQ(Decimal::fromInteger(INT64_MIN).toString(), "-9223372036854775808");
    EXPECT_EQ(Decimal::fromValue(Value(std::int64_t{42}))->toString(), "42");
    EXPECT_EQ(Decimal::fromValue(Value(4.99))->toString(), "4.99");
    EXPECT_EQ(Decimal::fromValue(Value("0.30"))->toString(), "0.3");
    EXPECT_FALSE(Decimal::fromValue(Value(true)));
    EXPECT_DOUBLE_EQ(Decimal::parse("-12.5e1")->toDouble(), -125.0);
}

TEST(Decimal, ComparesExactly) {
    auto d = [](std::string_view t) { return *Decimal::parse(t); };
    EXPECT_EQ(d("1.50"), d("1.5"));
    EXPECT_EQ(d("150e-2"), d("1.5"));
    EXPECT_LT(d("1.2"), d("1.25"));
    EXPECT_LT(d("0.3"), *Decimal::fromDouble(0.30000000000000004));
    EXPECT_LT(d("-2"), d("-1.5"));
    EXPECT_LT(d("-0.1"), d("0"));
    EXPECT_LT(d("0"), d("0.0001"));
    EXPECT_GT(d("10"), d("9.99"));
    EXPECT_GT(d("1e3"), d("999"));
}

TEST(Decimal, FloorsTowardNegativeInfinity) {
    auto floor = [](std::string_view t, int places) {
        return Decimal::parse(t)->floor(places).toString();
    };
    EXPECT_EQ(floor("12.345", 2), "12.34");
    EXPECT_EQ(floor("-12.345", 2), "-12.35");
    EXPECT_EQ(floor("-12.30", 2), "-12.3");
    EXPECT_EQ(floor("0.001", 2), "0");
    EXPECT_EQ(floor("-0.001", 2), "-0.01");
    EXPECT_EQ(floor("-9.99", 1), "-10");
    EXPECT_EQ(floor("1999", -2), "1900");
    EXPECT_EQ(floor("-1", 0), "-1");
    EXPECT_EQ(floor("7", INT32_MAX), "7");
    EXPECT_EQ(floor("7", INT32_MIN), "0");
    EXPECT_EQ(floor("-7", INT32_MIN).front(), '-');
}

TEST(Decimal, MultipliesExactly) {
    auto times = [](std::string_view a, std::string_view b) {
        return (*Decimal::parse(a) * *Decimal::parse(b)).toString();
    };
    // A binary double makes 0.1 * 3 into 0.30000000000000004; a price must not.
    EXPECT_EQ(times("0.1", "3"), "0.3");
    EXPECT_EQ(times("0.99", "2"), "1.98");
    EXPECT_EQ(times("19.99", "10"), "199.9");
    EXPECT_EQ(times("-1.5", "1.5"), "-2.25");
    EXPECT_EQ(times("-2", "-0.5"), "1");
    EXPECT_EQ(times("0", "-5"), "0");
    EXPECT_EQ(times("999999999999999999.99", "9"), "8999999999999999999.91");
    EXPECT_EQ(times("1e-300", "1e-300"), "0." + std::string(599, '0') + "1");
    EXPECT_EQ(*Decimal::parse("2.50") * Decimal::fromInteger(4), Decimal::fromInteger(10));
}
