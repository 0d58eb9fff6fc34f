#include "platform/base/Unicode.h"

namespace platform {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one code point at `i`, moving `i` past it; a malformed sequence yields U+FFFD and
// consumes only its first byte, so decoding always resynchronises.
char32_t decodeOne(std::string_view s, std::size_t& i, bool& ok) {
    ok = true;
    auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int len;
    char32_t cp;
    char32_t min;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2, cp = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3, cp = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4, cp = b0 & 0x07, min = 0x10000;
    } else {
        ok = false;
        ++i;
        return kReplacement;
    }
    if (i + static_cast<std::size_t>(len) > s.size()) {
        ok = false;
        ++i;
        return kReplacement;
    }
    for (int k = 1; k < len; ++k) {
        auto b = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
        if ((b & 0xC0) != 0x80) {
            ok = false;
            ++i;
            return kReplacement;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ok = false;
        ++i;
        return kReplacement;
    }
    i += static_cast<std::size_t>(len);
    return cp;
}

}  // namespace

std::string codePointToUtf8(char32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacement;
    std::string out;
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
    return out;
}

std::u16string utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    bool ok;
    while (i < utf8.size()) {
        char32_t cp = decodeOne(utf8, i, ok);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

std::string utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t u = utf16[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            char32_t cp = 0x10000 + ((u - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            out += codePointToUtf8(cp);
            ++i;
        } else {
            // A lone surrogate has no UTF-8 form.
            out += codePointToUtf8(u >= 0xD800 && u <= 0xDFFF ? kReplacement : u);
        }
    }
    return out;
}

std::size_t utf16Length(std::string_view utf8) {
    std::size_t n = 0;
    std::size_t i = 0;
    bool ok;
    while (i < utf8.size()) n += decodeOne(utf8, i, ok) >= 0x10000 ? 2 : 1;
    return n;
}

bool isValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    bool ok = true;
    while (i < bytes.size()) {
        decodeOne(bytes, i, ok);
        if (!ok) return false;
    }
    return true;
}

}  // namespace platform
