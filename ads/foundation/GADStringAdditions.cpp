#include "ads/foundation/GADStringAdditions.h"

#include <openssl/evp.h>

#include <charconv>
#include <cmath>

#include "platform/base/PercentEncoding.h"

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

}  // namespace ads
