#include "platform/base/NumberText.h"

#include <locale.h>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace platform {

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::size_t skipSpace(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && isSpace(s[i])) ++i;
    return i;
}

std::int64_t saturatingParse(std::string_view s, std::int64_t min, std::int64_t max) {
    std::size_t i = skipSpace(s);
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    // Accumulate as a negative number: its range reaches the minimum of the type.
    std::int64_t value = 0;
    bool saturated = false;
    for (; i < s.size() && isDigit(s[i]); ++i) {
        if (saturated) continue;
        int d = s[i] - '0';
        if (value < (std::numeric_limits<std::int64_t>::min() + d) / 10) {
            saturated = true;
            continue;
        }
        value = value * 10 - d;
    }
    if (saturated) return negative ? min : max;
    if (negative) return value < min ? min : value;
    if (value < -max) return max;
    return -value;
}

locale_t cLocale() {
    static locale_t loc = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}

}  // namespace

std::int32_t intValue(std::string_view text) {
    return static_cast<std::int32_t>(saturatingParse(text, std::numeric_limits<std::int32_t>::min(),
                                                     std::numeric_limits<std::int32_t>::max()));
}

std::int64_t integerValue(std::string_view text) {
    return saturatingParse(text, std::numeric_limits<std::int64_t>::min(),
                           std::numeric_limits<std::int64_t>::max());
}

std::int64_t longLongValue(std::string_view text) {
    return integerValue(text);
}

double doubleValue(std::string_view text) {
    std::size_t i = skipSpace(text);
    std::size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < text.size() && isDigit(text[i])) ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return 0.0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        if (j < text.size() && isDigit(text[j])) {
            while (j < text.size() && isDigit(text[j])) ++j;
            i = j;
        }
    }
    // Only the checked decimal prefix reaches strtod, so its hex and inf/nan forms never apply.
    std::string number(text.substr(start, i - start));
    return strtod_l(number.c_str(), nullptr, cLocale());
}

float floatValue(std::string_view text) {
    return static_cast<float>(doubleValue(text));
}

bool boolValue(std::string_view text) {
    std::size_t i = skipSpace(text);
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    while (i < text.size() && text[i] == '0') ++i;
    if (i >= text.size()) return false;
    char c = text[i];
    return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
}

}  // namespace platform
