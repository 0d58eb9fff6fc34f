#include "platform/storage/OpenStepReader.h"

#include <algorithm>

#include "platform/base/Hex.h"
#include "platform/base/Unicode.h"

namespace platform {

namespace {

bool isUnquotedChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '$' || c == '/' || c == ':' || c == '.' || c == '-';
}

// UTF-16 text with a byte-order mark becomes UTF-8; unpaired surrogates become U+FFFD.
std::optional<std::string> fromUtf16(std::string_view b, bool bigEndian) {
    if (b.size() % 2 != 0) return std::nullopt;
    auto unit = [&](std::size_t i) -> char32_t {
        auto hi = static_cast<unsigned char>(b[i + (bigEndian ? 0 : 1)]);
        auto lo = static_cast<unsigned char>(b[i + (bigEndian ? 1 : 0)]);
        return static_cast<char32_t>((hi << 8) | lo);
    };
    std::string out;
    out.reserve(b.size());
    for (std::size_t i = 2; i < b.size(); i += 2) {
        char32_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 3 < b.size()) {
            char32_t v = unit(i + 2);
            if (v >= 0xDC00 && v <= 0xDFFF) {
                appendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (v - 0xDC00));
                i += 2;
                continue;
            }
        }
        appendUtf8(out, u);
    }
    return out;
}

}  // namespace

std::optional<Value> OpenStepReader::parse(std::string_view text, std::string* error) {
    std::string converted;
    if (text.size() >= 2 && static_cast<unsigned char>(text[0]) == 0xFE &&
        static_cast<unsigned char>(text[1]) == 0xFF) {
        auto u = fromUtf16(text, true);
        if (!u) {
            if (error) *error = "Odd number of bytes in UTF-16 text";
            return std::nullopt;
        }
        converted = std::move(*u);
        text = converted;
    } else if (text.size() >= 2 && static_cast<unsigned char>(text[0]) == 0xFF &&
               static_cast<unsigned char>(text[1]) == 0xFE) {
        auto u = fromUtf16(text, false);
        if (!u) {
            if (error) *error = "Odd number of bytes in UTF-16 text";
            return std::nullopt;
        }
        converted = std::move(*u);
        text = converted;
    } else if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
    }
    OpenStepReader reader(text);
    auto value = reader.parseDocument();
    if (!value && error) *error = reader.error_;
    return value;
}

int OpenStepReader::line() const {
    std::size_t end = std::min(pos_, s_.size());
    return 1 + static_cast<int>(std::count(s_.begin(), s_.begin() + end, '\n'));
}

std::nullopt_t OpenStepReader::fail(const std::string& message) {
    if (error_.empty()) error_ = message + " on line " + std::to_string(line());
    return std::nullopt;
}

bool OpenStepReader::skipSpace() {
    while (!atEnd()) {
        char c = s_[pos_];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v') {
            ++pos_;
        } else if (c == '/' && pos_ + 1 < s_.size() && s_[pos_ + 1] == '/') {
            while (!atEnd() && s_[pos_] != '\n') ++pos_;
        } else if (c == '/' && pos_ + 1 < s_.size() && s_[pos_ + 1] == '*') {
            std::size_t close = s_.find("*/", pos_ + 2);
            if (close == std::string_view::npos) {
                fail("Unterminated comment");
                return false;
            }
            pos_ = close + 2;
        } else {
            break;
        }
    }
    return true;
}

std::optional<Value> OpenStepReader::parseDocument() {
    if (s_.empty()) return fail("Empty text");
    if (!skipSpace()) return std::nullopt;
    // Only blanks and comments: an empty strings file.
    if (atEnd()) return Value::dictionary();

    std::size_t start = pos_;
    char c = peek();
    if (c != '{' && c != '(' && c != '<') {
        // A top-level string followed by '=' or ';' opens a strings file.
        if (!parseString()) return std::nullopt;
        if (!skipSpace()) return std::nullopt;
        if (peek() == '=' || peek() == ';') {
            pos_ = start;
            return parseDictionaryBody(1, false);
        }
        pos_ = start;
    }
    auto value = parseValue(1);
    if (!value) return std::nullopt;
    if (!skipSpace()) return std::nullopt;
    if (!atEnd()) return fail("Junk after the property list");
    return value;
}

std::optional<Value> OpenStepReader::parseValue(int depth) {
    if (depth > kMaxDepth) return fail("Nesting too deep");
    if (!skipSpace()) return std::nullopt;
    if (atEnd()) return fail("Unexpected end of text");
    char c = peek();
    if (c == '{') {
        ++pos_;
        return parseDictionaryBody(depth + 1, true);
    }
    if (c == '(') return parseArray(depth + 1);
    if (c == '<') return parseData();
    auto s = parseString();
    if (!s) return std::nullopt;
    return Value(std::move(*s));
}

std::optional<Value> OpenStepReader::parseDictionaryBody(int depth, bool braced) {
    if (depth > kMaxDepth) return fail("Nesting too deep");
    Value::Dictionary dict;
    for (;;) {
        if (!skipSpace()) return std::nullopt;
        if (atEnd()) {
            if (braced) return fail("Missing '}'");
            return Value(std::move(dict));
        }
        if (braced && peek() == '}') {
            ++pos_;
            return Value(std::move(dict));
        }
        auto key = parseString();
        if (!key) return std::nullopt;
        if (!skipSpace()) return std::nullopt;
        Value value;
        if (!braced && peek() == ';') {
            // Strings files may name a key alone: it stands for itself.
            value = *key;
        } else {
            if (peek() != '=') return fail("Missing '=' after a key");
            ++pos_;
            auto v = parseValue(depth);
            if (!v) return std::nullopt;
            value = std::move(*v);
            if (!skipSpace()) return std::nullopt;
        }
        if (peek() != ';') return fail("Missing ';'");
        ++pos_;
        // Of two equal keys the last one counts, as in the binary and XML readers.
        dict[std::move(*key)] = std::move(value);
    }
}

std::optional<Value> OpenStepReader::parseArray(int depth) {
    ++pos_;  // '('
    Value::Array items;
    if (!skipSpace()) return std::nullopt;
    if (peek() == ')') {
        ++pos_;
        return Value(std::move(items));
    }
    for (;;) {
        auto v = parseValue(depth);
        if (!v) return std::nullopt;
        items.push_back(std::move(*v));
        if (!skipSpace()) return std::nullopt;
        if (atEnd()) return fail("Missing ')'");
        char c = peek();
        ++pos_;
        if (c == ')') return Value(std::move(items));
        if (c != ',') return fail("Missing ',' in an array");
        if (!skipSpace()) return std::nullopt;
        // A trailing comma is allowed.
        if (peek() == ')') {
            ++pos_;
            return Value(std::move(items));
        }
    }
}

std::optional<Value> OpenStepReader::parseData() {
    ++pos_;  // '<'
    Value::Bytes bytes;
    int high = -1;
    while (!atEnd()) {
        char c = s_[pos_++];
        if (c == '>') {
            if (high >= 0) return fail("Odd number of digits in data");
            return Value(std::move(bytes));
        }
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') continue;
        int d = hexDigitValue(c);
        if (d < 0) return fail("Bad character in data");
        if (high < 0) {
            high = d;
        } else {
            bytes.push_back(static_cast<std::uint8_t>((high << 4) | d));
            high = -1;
        }
    }
    return fail("Missing '>' after data");
}

std::optional<std::string> OpenStepReader::parseString() {
    char c = peek();
    if (c == '"' || c == '\'') return parseQuoted();
    if (!isUnquotedChar(c)) {
        if (atEnd()) return fail("Unexpected end of text");
        std::string shown =
            (static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F)
                ? std::string(1, c)
                : "\\x" + std::to_string(static_cast<unsigned char>(c));
        return fail("Unexpected character '" + shown + "'");
    }
    return parseUnquoted();
}

std::string OpenStepReader::parseUnquoted() {
    std::size_t start = pos_;
    while (!atEnd() && isUnquotedChar(s_[pos_])) ++pos_;
    return std::string(s_.substr(start, pos_ - start));
}

std::optional<std::string> OpenStepReader::parseQuoted() {
    const char quote = s_[pos_];
    const int startLine = line();
    ++pos_;
    std::string out;
    char16_t pendingHigh = 0;
    auto flushHigh = [&] {
        if (pendingHigh) appendUtf8(out, 0xFFFD);
        pendingHigh = 0;
    };
    while (!atEnd()) {
        char c = s_[pos_++];
        if (c == quote) {
            flushHigh();
            return repairedUtf8(out);
        }
        if (c != '\\') {
            flushHigh();
            out += c;
            continue;
        }
        if (atEnd()) break;
        char e = s_[pos_++];
        if (e == 'U' || e == 'u') {
            char32_t u = 0;
            int n = 0;
            while (n < 4 && !atEnd() && hexDigitValue(s_[pos_]) >= 0)
                u = (u << 4) | hexDigitValue(s_[pos_++]), ++n;
            if (n == 0) {
                flushHigh();
                out += e;
                continue;
            }
            if (u >= 0xD800 && u <= 0xDBFF) {
                flushHigh();
                pendingHigh = static_cast<char16_t>(u);
            } else if (u >= 0xDC00 && u <= 0xDFFF && pendingHigh) {
                appendUtf8(out, 0x10000 + ((pendingHigh - 0xD800) << 10) + (u - 0xDC00));
                pendingHigh = 0;
            } else {
                flushHigh();
                appendUtf8(out, u);
            }
            continue;
        }
        flushHigh();
        switch (e) {
            case 'a':
                out += '\a';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'v':
                out += '\v';
                break;
            case '0':
            case '1':
            case '2':
            case '3':
            case '4':
            case '5':
            case '6':
            case '7': {
                unsigned v = static_cast<unsigned>(e - '0');
                for (int n = 1; n < 3 && !atEnd() && s_[pos_] >= '0' && s_[pos_] <= '7'; ++n)
                    v = v * 8 + static_cast<unsigned>(s_[pos_++] - '0');
                // Octal escapes name Latin-1 characters here; the NeXT character table differs only
                // in rarely used symbols, which no file of ours holds.
                appendUtf8(out, v & 0xFF);
                break;
            }
            default:
                out += e;
                break;
        }
    }
    error_ = "Unterminated quoted string starting on line " + std::to_string(startLine);
    return std::nullopt;
}

}  // namespace platform
