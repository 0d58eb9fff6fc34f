#include "platform/storage/Utf8.h"

namespace platform {

std::size_t Utf8::sequenceLength(std::string_view s, std::size_t i) {
    auto at = [&](std::size_t k) -> unsigned {
        return k < s.size() ? static_cast<unsigned char>(s[k]) : 0x100u;
    };
    auto cont = [&](std::size_t k) { return (at(k) & 0xC0u) == 0x80u; };
    unsigned c = at(i);
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) return cont(i + 1) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        unsigned c1 = at(i + 1);
        // No overlong forms, no UTF-16 surrogates.
        if (c == 0xE0 && (c1 < 0xA0 || c1 > 0xBF)) return 0;
        if (c == 0xED && (c1 < 0x80 || c1 > 0x9F)) return 0;
        return cont(i + 1) && cont(i + 2) ? 3 : 0;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        unsigned c1 = at(i + 1);
        if (c == 0xF0 && (c1 < 0x90 || c1 > 0xBF)) return 0;
        if (c == 0xF4 && (c1 < 0x80 || c1 > 0x8F)) return 0;
        return cont(i + 1) && cont(i + 2) && cont(i + 3) ? 4 : 0;
    }
    return 0;
}

bool Utf8::isValid(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        std::size_t n = sequenceLength(text, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::string Utf8::repaired(std::string_view text) {
    if (isValid(text)) return std::string(text);
    std::string out;
    out.reserve(text.size() + 8);
    for (std::size_t i = 0; i < text.size();) {
        std::size_t n = sequenceLength(text, i);
        if (n > 0) {
            out.append(text.substr(i, n));
            i += n;
            continue;
        }
        out += "\xEF\xBF\xBD";
        // Skip the lead byte and the continuation bytes that belonged to it.
        ++i;
        while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0u) == 0x80u) ++i;
    }
    return out;
}

void Utf8::append(std::string& out, char32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace platform
