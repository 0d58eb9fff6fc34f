#include "online/AnnounceText.h"

#include <cctype>
#include <cstdlib>
#include <limits>

namespace {

bool isSpace(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

double AnnounceDoubleValue(const platform::Value& v) {
    if (!v.isString()) return 0;
    const std::string& text = v.stringRef();
    std::size_t i = 0;
    while (i < text.size() && isSpace(text[i])) ++i;
    // Only sign, digits, one point and an exponent are copied, so strtod never sees "nan".
    std::string number;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) number.push_back(text[i++]);
    bool digits = false;
    while (i < text.size() && isDigit(text[i])) number.push_back(text[i++]), digits = true;
    if (i < text.size() && text[i] == '.') {
        number.push_back(text[i++]);
        while (i < text.size() && isDigit(text[i])) number.push_back(text[i++]), digits = true;
    }
    if (!digits) return 0;
    if (i + 1 < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        if (text[j] == '+' || text[j] == '-') exponent.push_back(text[j++]);
        bool expDigits = false;
        while (j < text.size() && isDigit(text[j])) exponent.push_back(text[j++]), expDigits = true;
        if (expDigits) number += exponent;
    }
    double value = std::strtod(number.c_str(), nullptr);
    // Overflow gives HUGE_VAL; keep it finite so comparisons and sums stay sane.
    constexpr double kMax = std::numeric_limits<double>::max();
    if (value > kMax) return kMax;
    if (value < -kMax) return -kMax;
    return value;
}

int64_t AnnounceLongLongValueOfText(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && isSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    constexpr uint64_t kLimit = uint64_t{std::numeric_limits<int64_t>::max()} + 1;
    uint64_t value = 0;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        // Once past the limit the value stays there; checking first keeps it from wrapping.
        if (value >= kLimit / 10 + 1) {
            value = kLimit;
            continue;
        }
        value = value * 10 + static_cast<uint64_t>(text[i] - '0');
        if (value > kLimit) value = kLimit;
    }
    if (negative) {
        return value >= kLimit ? std::numeric_limits<int64_t>::min() : -static_cast<int64_t>(value);
    }
    return value >= kLimit ? std::numeric_limits<int64_t>::max() : static_cast<int64_t>(value);
}

int64_t AnnounceLongLongValue(const platform::Value& v) {
    return v.isString() ? AnnounceLongLongValueOfText(v.stringRef()) : 0;
}

int32_t AnnounceIntValue(const platform::Value& v) {
    int64_t value = AnnounceLongLongValue(v);
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

uint32_t AnnounceHexValue(const platform::Value& v) {
    if (!v.isString()) return 0;
    const std::string& text = v.stringRef();
    std::size_t i = 0;
    while (i < text.size() && isSpace(text[i])) ++i;
    if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) i += 2;
    uint32_t value = 0;
    for (; i < text.size() && std::isxdigit(static_cast<unsigned char>(text[i])); ++i) {
        char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
        uint32_t digit =
            isDigit(c) ? static_cast<uint32_t>(c - '0') : static_cast<uint32_t>(c - 'a' + 10);
        // Longer texts keep their low 32 bits, as a cut to 32 bits does.
        value = (value << 4) | digit;
    }
    return value;
}
