#include "platform/base/Decimal.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include "platform/base/Value.h"

namespace platform {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

Decimal::Decimal(bool negative, std::string digits, int exponent)
    : negative_(negative), digits_(std::move(digits)), exponent_(exponent) {}

Decimal Decimal::normalized(bool negative, std::string digits, int exponent) {
    const auto first = digits.find_first_not_of('0');
    if (first == std::string::npos) {
        return Decimal();
    }
    const auto last = digits.find_last_not_of('0');
    exponent += static_cast<int>(digits.size() - 1 - last);
    return Decimal(negative, digits.substr(first, last - first + 1), exponent);
}

Decimal Decimal::fromInteger(std::int64_t value) {
    const bool negative = value < 0;
    // The magnitude of INT64_MIN does not fit an int64_t; it does fit its unsigned twin.
    std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    return normalized(negative, std::to_string(magnitude), 0);
}

std::optional<Decimal> Decimal::parse(std::string_view text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::string digits;
    int fractionDigits = 0;
    bool sawDigit = false;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        sawDigit = true;
        if (!digits.empty() || text[i] != '0') digits.push_back(text[i]);
        // Longer than any accepted value's integer part: refuse before it grows.
        if (digits.size() > static_cast<std::size_t>(kMaxExponent) + 1) return std::nullopt;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        for (; i < text.size() && isDigit(text[i]); ++i) {
            sawDigit = true;
            digits.push_back(text[i]);
            ++fractionDigits;
            // Zeros after the point still count against the cap: "0.000…1" with a million
            // zeros is not a price.
            if (fractionDigits > kMaxExponent + static_cast<int>(kMaxDigits)) return std::nullopt;
        }
    }
    if (!sawDigit) return std::nullopt;
    long exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            negativeExponent = text[i] == '-';
            ++i;
        }
        if (i >= text.size() || !isDigit(text[i])) return std::nullopt;
        for (; i < text.size() && isDigit(text[i]); ++i) {
            exponent = exponent * 10 + (text[i] - '0');
            if (exponent > 100000) return std::nullopt;
        }
        if (negativeExponent) exponent = -exponent;
    }
    if (i != text.size()) return std::nullopt;

    Decimal value =
        normalized(negative, std::move(digits), static_cast<int>(exponent) - fractionDigits);
    if (value.isZero()) return value;
    const long highest =
        static_cast<long>(value.exponent_) + static_cast<long>(value.digits_.size()) - 1;
    if (value.digits_.size() > kMaxDigits || highest > kMaxExponent ||
        value.exponent_ < -kMaxExponent) {
        return std::nullopt;
    }
    return value;
}

std::optional<Decimal> Decimal::fromDouble(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (error != std::errc()) return std::nullopt;
    return parse(std::string_view(buffer, static_cast<std::size_t>(end - buffer)));
}

std::optional<Decimal> Decimal::fromValue(const Value& value) {
    if (value.isInteger()) return fromInteger(value.asInteger());
    if (value.isReal()) return fromDouble(value.asReal());
    if (value.isString()) return parse(value.stringRef());
    return std::nullopt;
}

Decimal Decimal::floor(int places) const {
    // Beyond these bounds the answer no longer changes, and the arithmetic below stays small.
    const int bound = kMaxExponent + static_cast<int>(kMaxDigits) + 1;
    places = std::clamp(places, -bound, bound);
    // Digits at or beyond 10^-places are kept; the rest are cut.
    const long cut = -static_cast<long>(places) - exponent_;
    if (isZero() || cut <= 0) return *this;
    const bool dropsEverything = cut >= static_cast<long>(digits_.size());
    std::string kept = dropsEverything ? std::string() : digits_.substr(0, digits_.size() - cut);
    const int keptExponent = -places;
    if (!negative_) return normalized(false, std::move(kept), keptExponent);
    // A negative number with a cut-off remainder moves one step further from zero.
    if (kept.empty()) kept = "0";
    int i = static_cast<int>(kept.size()) - 1;
    while (i >= 0 && kept[static_cast<std::size_t>(i)] == '9')
        kept[static_cast<std::size_t>(i--)] = '0';
    if (i < 0) {
        kept.insert(kept.begin(), '1');
    } else {
        ++kept[static_cast<std::size_t>(i)];
    }
    return normalized(true, std::move(kept), keptExponent);
}

Decimal Decimal::operator*(const Decimal& other) const {
    if (isZero() || other.isZero()) return Decimal();
    // Schoolbook multiplication of the significands, least significant digit first.
    std::vector<int> sum(digits_.size() + other.digits_.size(), 0);
    for (std::size_t i = 0; i < digits_.size(); ++i) {
        const int a = digits_[digits_.size() - 1 - i] - '0';
        for (std::size_t j = 0; j < other.digits_.size(); ++j)
            sum[i + j] += a * (other.digits_[other.digits_.size() - 1 - j] - '0');
    }
    for (std::size_t k = 0; k + 1 < sum.size(); ++k) {
        sum[k + 1] += sum[k] / 10;
        sum[k] %= 10;
    }
    std::string digits;
    for (auto it = sum.rbegin(); it != sum.rend(); ++it) digits.push_back(char('0' + *it));
    return normalized(negative_ != other.negative_, std::move(digits), exponent_ + other.exponent_);
}

std::string Decimal::toString() const {
    if (isZero()) return "0";
    std::string text = negative_ ? "-" : "";
    const long size = static_cast<long>(digits_.size());
    if (exponent_ >= 0) {
        text += digits_;
        text.append(static_cast<std::size_t>(exponent_), '0');
    } else if (-exponent_ < size) {
        text += digits_.substr(0, static_cast<std::size_t>(size + exponent_));
        text += '.';
        text += digits_.substr(static_cast<std::size_t>(size + exponent_));
    } else {
        text += "0.";
        text.append(static_cast<std::size_t>(-exponent_ - size), '0');
        text += digits_;
    }
    return text;
}

double Decimal::toDouble() const {
    if (isZero()) return 0.0;
    const std::string text = (negative_ ? "-" : "") + digits_ + "e" + std::to_string(exponent_);
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

std::strong_ordering Decimal::compareMagnitude(const Decimal& other) const {
    if (isZero() || other.isZero()) return digits_.size() <=> other.digits_.size();
    const long highest = static_cast<long>(exponent_) + static_cast<long>(digits_.size());
    const long otherHighest =
        static_cast<long>(other.exponent_) + static_cast<long>(other.digits_.size());
    if (highest != otherHighest) return highest <=> otherHighest;
    // Same leading position: the significands compare digit by digit, a missing digit as 0.
    const int order = digits_.compare(other.digits_);
    return order <=> 0;
}

std::strong_ordering Decimal::operator<=>(const Decimal& other) const {
    if (negative_ != other.negative_)
        return negative_ ? std::strong_ordering::less : std::strong_ordering::greater;
    const auto magnitude = compareMagnitude(other);
    return negative_ ? 0 <=> magnitude : magnitude;
}

}  // namespace platform
