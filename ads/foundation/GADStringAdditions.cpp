#include "ads/foundation/GADStringAdditions.h"

#include <openssl/evp.h>

#include <charconv>
#include <cmath>

#include "platform/base/PercentEncoding.h"
#include "platform/base/Unicode.h"

namespace ads {

std::string GADStringFromBOOL(bool flag) {
    return flag ? "1" : "0";
}

std::string GADStringFromDouble(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    // to_chars ignores the C locale, which a "%f" would follow (a German locale writes ",").
    char buffer[400];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    if (result.ec != std::errc()) return {};
    std::string text(buffer, result.ptr);
    while (!text.empty() && text.back() == '0') text.pop_back();
    if (!text.empty() && text.back() == '.') text.pop_back();
    return text;
}

std::string gad_stringByEscapingAsURLParameter(std::string_view text) {
    return platform::percentEncodeComponent(text);
}

std::string gad_stripTrailingSlash(std::string_view text) {
    if (!text.empty() && text.back() == '/') text.remove_suffix(1);
    return std::string(text);
}

bool gad_isEquivalentToURLString(std::string_view text, std::string_view other) {
    return gad_stripTrailingSlash(text) == gad_stripTrailingSlash(other);
}

std::vector<std::uint8_t> gad_MD5Data(std::string_view text) {
    std::vector<std::uint8_t> digest(16);
    unsigned int length = 0;
    if (EVP_Digest(text.data(), text.size(), digest.data(), &length, EVP_md5(), nullptr) != 1 ||
        length != digest.size()) {
        return {};
    }
    return digest;
}

std::string gad_MD5String(std::string_view text) {
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (std::uint8_t byte : gad_MD5Data(text)) {
        out += kHex[byte >> 4];
        out += kHex[byte & 0xF];
    }
    return out;
}

namespace {

// White space and line breaks of any script: ASCII blanks and line controls, the next-line
// character and the Unicode spaces and separators.
bool isBlank(char32_t c) {
    return c == ' ' || (c >= 0x09 && c <= 0x0D) || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

// The code point starting at `i`, or nothing for bytes that start none.
std::optional<char32_t> codePointAt(std::string_view text, std::size_t i, std::size_t* length) {
    const std::size_t n = platform::utf8SequenceLength(text, i);
    if (n == 0) return std::nullopt;
    *length = n;
    const std::u32string one = platform::utf8ToUtf32(text.substr(i, n));
    return one.empty() ? std::nullopt : std::optional<char32_t>(one.front());
}

}  // namespace

std::string gad_stringByTrimmingWhitespaceAndNewlines(std::string_view text) {
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t n = 0;
        auto c = codePointAt(text, begin, &n);
        if (!c || !isBlank(*c)) break;
        begin += n;
    }
    std::size_t end = text.size();
    while (end > begin) {
        // Back to the start of the last character (continuation bytes are 10xxxxxx).
        std::size_t start = end - 1;
        while (start > begin && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) {
            --start;
        }
        std::size_t n = 0;
        auto c = codePointAt(text, start, &n);
        if (!c || start + n != end || !isBlank(*c)) break;
        end = start;
    }
    return std::string(text.substr(begin, end - begin));
}

std::string gad_asciiLowercased(std::string text) {
    for (auto& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

}  // namespace ads
