#include "platform/base/Unicode.h"

#include <cstdint>
#include <cstring>

namespace platform {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool isContinuation(unsigned char b) {
    return (b & 0xC0u) == 0x80u;
}

// Decodes one code point at `i`, moving `i` past it; a malformed sequence yields U+FFFD and
// consumes only its first byte, so decoding always resynchronises.
char32_t decodeOne(std::string_view s, std::size_t& i) {
    const std::size_t len = utf8SequenceLength(s, i);
    auto b0 = static_cast<unsigned char>(s[i]);
    if (len == 0) {
        ++i;
        return kReplacement;
    }
    if (len == 1) {
        ++i;
        return b0;
    }
    char32_t cp = b0 & (0x7Fu >> len);
    for (std::size_t k = 1; k < len; ++k)
        cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3Fu);
    i += len;
    return cp;
}

}  // namespace

std::size_t utf8SequenceLength(std::string_view s, std::size_t i) {
    auto at = [&](std::size_t k) -> unsigned {
        return k < s.size() ? static_cast<unsigned char>(s[k]) : 0x100u;
    };
    auto cont = [&](std::size_t k) { return k < s.size() && isContinuation(s[k]); };
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
        // No overlong forms, nothing beyond U+10FFFF.
        if (c == 0xF0 && (c1 < 0x90 || c1 > 0xBF)) return 0;
        if (c == 0xF4 && (c1 < 0x80 || c1 > 0x8F)) return 0;
        return cont(i + 1) && cont(i + 2) && cont(i + 3) ? 4 : 0;
    }
    return 0;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacement;
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

std::string codePointToUtf8(char32_t cp) {
    std::string out;
    appendUtf8(out, cp);
    return out;
}

std::u32string utf8ToUtf32(std::string_view utf8) {
    std::u32string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) out += decodeOne(utf8, i);
    return out;
}

std::string utf32ToUtf8(std::u32string_view utf32) {
    std::string out;
    out.reserve(utf32.size());
    for (char32_t cp : utf32) appendUtf8(out, cp);
    return out;
}

std::u16string utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        char32_t cp = decodeOne(utf8, i);
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
            appendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (utf16[i + 1] - 0xDC00));
            ++i;
        } else {
            // A lone surrogate has no UTF-8 form.
            appendUtf8(out, u >= 0xD800 && u <= 0xDFFF ? kReplacement : u);
        }
    }
    return out;
}

std::size_t utf16Length(std::string_view utf8) {
    std::size_t n = 0;
    std::size_t i = 0;
    while (i < utf8.size()) n += decodeOne(utf8, i) >= 0x10000 ? 2 : 1;
    return n;
}

bool isValidUtf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        // Runs of ASCII, the bulk of pages and server answers, eight bytes at a time: a body of
        // megabytes is checked on the main thread.
        while (i + 8 <= bytes.size()) {
            std::uint64_t word;
            std::memcpy(&word, bytes.data() + i, sizeof word);
            if (word & 0x8080808080808080ull) break;
            i += 8;
        }
        if (i == bytes.size()) break;
        std::size_t n = utf8SequenceLength(bytes, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

namespace {

// Hands `keep` each well-formed run of `bytes` and calls `replace` once for each maximal invalid
// sequence (a bad lead byte with the continuation bytes after it).
template <class Keep, class Replace>
void walkRepaired(std::string_view bytes, Keep keep, Replace replace) {
    for (std::size_t i = 0; i < bytes.size();) {
        std::size_t n = utf8SequenceLength(bytes, i);
        if (n > 0) {
            keep(bytes.substr(i, n));
            i += n;
            continue;
        }
        replace();
        ++i;
        while (i < bytes.size() && isContinuation(bytes[i])) ++i;
    }
}

}  // namespace

std::string repairedUtf8(std::string_view bytes) {
    if (isValidUtf8(bytes)) return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() + 8);
    walkRepaired(
        bytes, [&](std::string_view run) { out.append(run); },
        [&] { appendUtf8(out, kReplacement); });
    return out;
}

std::size_t repairedUtf8Size(std::string_view bytes) {
    std::size_t size = 0;
    walkRepaired(
        bytes, [&](std::string_view run) { size += run.size(); }, [&] { size += 3; });  // U+FFFD
    return size;
}

}  // namespace platform
