#pragma once

// An exact decimal number, for amounts that must not pick up binary rounding on their way from
// a server's text to the screen or back (prices, ratings). Made from plain text ("-12.50",
// "3e2") or from a JSON number through its shortest round-trip text, so 0.1 stays 0.1.
// Written back as plain text: "." as the separator, no grouping, no exponent.
//
// Immutable value; any thread.

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

class Value;

class Decimal {
  public:
    // Longest significand and largest exponent accepted: enough for any price or count, and
    // small enough that text from a page never turns into a huge string.
    static constexpr std::size_t kMaxDigits = 64;
    static constexpr int kMaxExponent = 400;

    Decimal() = default;  // zero
    static Decimal fromInteger(std::int64_t value);

    // [+|-]digits[.digits][(e|E)[+|-]digits], with at least one digit before or after the
    // point; no spaces, grouping or other characters. Answers nothing for anything else, for
    // more than kMaxDigits significant digits, or for a value beyond kMaxExponent.
    static std::optional<Decimal> parse(std::string_view text);
    // A double's shortest text that reads back as the same double; nothing for NaN and
    // infinities.
    static std::optional<Decimal> fromDouble(double value);
    // A JSON or property-list number (integer or real), or a string that parses.
    static std::optional<Decimal> fromValue(const Value& value);

    bool isZero() const { return digits_.empty(); }
    bool isNegative() const { return negative_; }

    // Rounds toward negative infinity to `places` digits after the point (negative places
    // round to tens, hundreds, ...).
    Decimal floor(int places) const;
    // The exact product (a price times a quantity): every digit kept, nothing rounded.
    Decimal operator*(const Decimal& other) const;

    // Plain text: "-12.5", "0.001", "300", "0".
    std::string toString() const;
    // The nearest double.
    double toDouble() const;

    std::strong_ordering operator<=>(const Decimal& other) const;
    bool operator==(const Decimal& other) const = default;

  private:
    Decimal(bool negative, std::string digits, int exponent);
    // Strips leading and trailing zeros of the significand; zero is never negative.
    static Decimal normalized(bool negative, std::string digits, int exponent);
    std::strong_ordering compareMagnitude(const Decimal& other) const;

    // Value = (negative ? -1 : 1) * digits_ * 10^exponent_, digits_ without leading or
    // trailing zeros (empty for zero).
    bool negative_ = false;
    std::string digits_;
    int exponent_ = 0;
};

}  // namespace platform
