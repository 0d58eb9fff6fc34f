#include "platform/base/PercentEncoding.h"

#include "platform/base/Hex.h"
#include "platform/base/Unicode.h"

namespace platform {

namespace {

constexpr std::string_view kAlnum =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::string_view kSubDelims = "!$&'()*+,;=";

}  // namespace

UrlCharacterSet::UrlCharacterSet(std::string_view chars) {
    for (unsigned char c : chars) {
        if (c < 128) allowed_[c] = true;
    }
}

UrlCharacterSet UrlCharacterSet::with(std::string_view chars) const {
    UrlCharacterSet s = *this;
    for (unsigned char c : chars) {
        if (c < 128) s.allowed_[c] = true;
    }
    return s;
}

UrlCharacterSet UrlCharacterSet::without(std::string_view chars) const {
    UrlCharacterSet s = *this;
    for (unsigned char c : chars) {
        if (c < 128) s.allowed_[c] = false;
    }
    return s;
}

const UrlCharacterSet& UrlCharacterSet::alphanumeric() {
    static const UrlCharacterSet s(kAlnum);
    return s;
}

const UrlCharacterSet& UrlCharacterSet::unreserved() {
    static const UrlCharacterSet s = alphanumeric().with("-._~");
    return s;
}

const UrlCharacterSet& UrlCharacterSet::pathAllowed() {
    static const UrlCharacterSet s = unreserved().with(kSubDelims).with(":@/");
    return s;
}

const UrlCharacterSet& UrlCharacterSet::queryAllowed() {
    static const UrlCharacterSet s = unreserved().with(kSubDelims).with(":@/?");
    return s;
}

const UrlCharacterSet& UrlCharacterSet::fragmentAllowed() {
    return queryAllowed();
}

const UrlCharacterSet& UrlCharacterSet::hostAllowed() {
    static const UrlCharacterSet s = unreserved().with(kSubDelims).with(":[]");
    return s;
}

const UrlCharacterSet& UrlCharacterSet::userAllowed() {
    static const UrlCharacterSet s = unreserved().with(kSubDelims);
    return s;
}

const UrlCharacterSet& UrlCharacterSet::urlLegal() {
    static const UrlCharacterSet s = unreserved().with(kSubDelims).with(":/?#[]@%");
    return s;
}

std::string percentEncode(std::string_view text, const UrlCharacterSet& allowed) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        if (allowed.contains(c)) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 15];
        }
    }
    return out;
}

std::string percentEncodeComponent(std::string_view text) {
    return percentEncode(text, UrlCharacterSet::unreserved());
}

std::optional<std::string> percentDecodeBytes(std::string_view text, bool plusAsSpace) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '%') {
            if (i + 2 >= text.size()) return std::nullopt;
            int hi = hexDigitValue(text[i + 1]);
            int lo = hexDigitValue(text[i + 2]);
            if (hi < 0 || lo < 0) return std::nullopt;
            out += static_cast<char>(hi << 4 | lo);
            i += 2;
        } else if (c == '+' && plusAsSpace) {
            out += ' ';
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<std::string> percentDecode(std::string_view text, bool plusAsSpace) {
    auto bytes = percentDecodeBytes(text, plusAsSpace);
    if (!bytes || !isValidUtf8(*bytes)) return std::nullopt;
    return bytes;
}

}  // namespace platform
