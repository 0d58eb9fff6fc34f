#include "platform/net/ContentRange.h"

#include <cctype>
#include <limits>

namespace platform {

namespace {

void skipBlanks(std::string_view& text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
}

// A run of decimal digits, taken off the front; nothing when there is none or it overflows.
std::optional<std::uint64_t> takeNumber(std::string_view& text) {
    std::uint64_t value = 0;
    std::size_t digits = 0;
    while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits]))) {
        const std::uint64_t digit = std::uint64_t(text[digits] - '0');
        if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
        ++digits;
    }
    if (digits == 0) return std::nullopt;
    text.remove_prefix(digits);
    return value;
}

bool take(std::string_view& text, char c) {
    if (text.empty() || text.front() != c) return false;
    text.remove_prefix(1);
    return true;
}

}  // namespace

std::optional<ContentRange> parseContentRange(std::string_view value) {
    skipBlanks(value);
    constexpr std::string_view kUnit = "bytes";
    if (value.size() < kUnit.size()) return std::nullopt;
    for (std::size_t i = 0; i < kUnit.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(value[i])) != kUnit[i]) return std::nullopt;
    }
    value.remove_prefix(kUnit.size());
    if (value.empty() || (value.front() != ' ' && value.front() != '\t')) return std::nullopt;
    skipBlanks(value);
    ContentRange range;
    const auto first = takeNumber(value);
    if (!first || !take(value, '-')) return std::nullopt;
    const auto last = takeNumber(value);
    if (!last || *last < *first || !take(value, '/')) return std::nullopt;
    range.first = *first;
    range.last = *last;
    if (!take(value, '*')) {
        range.complete = takeNumber(value);
        if (!range.complete || *range.complete <= range.last) return std::nullopt;
    }
    skipBlanks(value);
    if (!value.empty()) return std::nullopt;
    return range;
}

}  // namespace platform
