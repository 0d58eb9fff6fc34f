#include "app/util/TextUtil.h"

namespace {
constexpr char kLowerHex[] = "0123456789abcdef";
constexpr char kUpperHex[] = "0123456789ABCDEF";

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isValidUtf8(const std::string& s) {
    size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<uint8_t>(s[i]);
        int extra;
        uint32_t cp;
        uint32_t min;
        if (b < 0x80) {
            ++i;
            continue;
        } else if ((b & 0xE0) == 0xC0) {
            extra = 1, cp = b & 0x1F, min = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2, cp = b & 0x0F, min = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            extra = 3, cp = b & 0x07, min = 0x10000;
        } else {
            return false;
        }
        if (i + extra >= s.size()) return false;
        for (int k = 1; k <= extra; ++k) {
            const auto c = static_cast<uint8_t>(s[i + k]);
            if ((c & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += extra + 1;
    }
    return true;
}
}  // namespace

std::string HexStringFromBytes(const uint8_t* bytes, long length) {
    std::string out;
    if (bytes == nullptr || length < 1) return out;
    out.reserve(static_cast<size_t>(length) * 2);
    for (long i = 0; i < length; ++i) {
        out.push_back(kLowerHex[bytes[i] >> 4]);
        out.push_back(kLowerHex[bytes[i] & 0x0F]);
    }
    return out;
}

std::string HexStringFromData(const std::vector<uint8_t>& data) {
    return HexStringFromBytes(data.data(), static_cast<long>(data.size()));
}

std::string StringByUrlEncodeUTF8(const std::string& text) {
    std::string out;
    out.reserve(text.size() * 3);
    for (char ch : text) {
        const auto b = static_cast<uint8_t>(ch);
        if (b == ' ') {
            out.push_back('+');
        } else if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') ||
                   b == '-' || b == '.' || b == '_') {
            out.push_back(static_cast<char>(b));
        } else {
            out.push_back('%');
            out.push_back(kUpperHex[b >> 4]);
            out.push_back(kUpperHex[b & 0x0F]);
        }
    }
    return out;
}

std::optional<std::string> StringByUrlDecodeUTF8(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '+') {
            out.push_back(' ');
        } else if (c == '%') {
            if (i + 2 >= text.size()) return std::nullopt;
            const int hi = hexValue(text[i + 1]);
            const int lo = hexValue(text[i + 2]);
            if (hi < 0 || lo < 0) return std::nullopt;
            out.push_back(static_cast<char>(hi * 16 + lo));
            i += 2;
        } else {
            out.push_back(c);
        }
    }
    if (!isValidUtf8(out)) return std::nullopt;
    return out;
}

bool StringIsNilOrEmpty(const std::optional<std::string>& text) {
    return !text || text->empty();
}
