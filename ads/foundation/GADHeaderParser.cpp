#include "ads/foundation/GADHeaderParser.h"

#include <cctype>
#include <cstdint>
#include <limits>
#include <string>

#include "platform/net/HttpDate.h"
#include "platform/runtime/Clock.h"

namespace ads {

namespace {

char lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// Where `needle` (lower case) starts in `text`, compared without regard to case.
std::size_t findIgnoringCase(std::string_view text, std::string_view needle) {
    if (needle.size() > text.size()) return std::string_view::npos;
    for (std::size_t i = 0; i + needle.size() <= text.size(); ++i) {
        std::size_t j = 0;
        while (j < needle.size() && lower(text[i + j]) == needle[j]) ++j;
        if (j == needle.size()) return i;
    }
    return std::string_view::npos;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

// The integer at the start of `text` (blanks and a sign allowed before the digits), saturated
// at the 64-bit range; nothing without a digit.
std::optional<std::int64_t> leadingInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) return std::nullopt;
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    std::int64_t value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        const int digit = text[i] - '0';
        value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
    }
    return negative ? -value : value;
}

}  // namespace

std::optional<platform::Date> gad_dateFromHttpDateString(std::string_view text) {
    return platform::parseHttpDate(text);
}

std::optional<platform::Date> gad_expirationDate(const platform::HttpHeaders& headers) {
    if (auto pragma = headers.get("Pragma")) {
        if (platform::HttpHeaders::namesEqual(trimmed(*pragma), "no-cache")) return std::nullopt;
    }
    const platform::Date now{platform::Clock::wallSeconds()};
    platform::Date reference = now;
    if (auto date = headers.get("Date")) {
        // A date we cannot read is no reason to trust the server's other dates less than its
        // sending moment: now stands in for it.
        if (auto parsed = gad_dateFromHttpDateString(*date)) reference = *parsed;
    }
    if (auto control = headers.get("Cache-Control")) {
        if (findIgnoringCase(*control, "no-store") != std::string_view::npos) return std::nullopt;
        constexpr std::string_view kMaxAge = "max-age=";
        if (auto at = findIgnoringCase(*control, kMaxAge); at != std::string_view::npos) {
            const std::string_view rest = std::string_view(*control).substr(at + kMaxAge.size());
            if (auto seconds = leadingInteger(rest)) {
                if (*seconds < 1) return std::nullopt;
                return platform::Date{reference.secondsSince1970 + static_cast<double>(*seconds)};
            }
        }
    }
    if (auto expires = headers.get("Expires")) {
        if (auto date = gad_dateFromHttpDateString(*expires);
            date && date->secondsSince1970 > reference.secondsSince1970) {
            return platform::Date{now.secondsSince1970 +
                                  (date->secondsSince1970 - reference.secondsSince1970)};
        }
    }
    return std::nullopt;
}

std::optional<platform::Date> gad_expirationDate(const platform::UrlResponse& response) {
    return gad_expirationDate(response.headers);
}

}  // namespace ads
