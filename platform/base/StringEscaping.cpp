#include "platform/base/StringEscaping.h"

#include <algorithm>
#include <cstdio>

#include "platform/base/Unicode.h"

namespace platform {

StringEscapeStyle StringEscapeStyle::json() {
    StringEscapeStyle style;
    style.slash = Slash::Always;
    return style;
}

StringEscapeStyle StringEscapeStyle::script() {
    StringEscapeStyle style;
    style.quote = '\'';
    style.namedControls = "\n\r";
    style.controls = Controls::Hex;
    return style;
}

StringEscapeStyle StringEscapeStyle::log() {
    StringEscapeStyle style;
    style.quote = 0;
    style.namedControls = "\n\r\t";
    style.upperCaseHex = true;
    style.c1Controls = true;
    style.slash = Slash::Never;
    style.hexBadBytes = true;
    return style;
}

namespace {

// What the escaper writes to when only the size of its result is wanted: a body of megabytes
// can be measured before anyone holds its escaped copy.
struct ByteCount {
    std::size_t bytes = 0;
    ByteCount& operator+=(char) {
        ++bytes;
        return *this;
    }
    ByteCount& operator+=(std::string_view text) {
        bytes += text.size();
        return *this;
    }
    void append(std::string_view text) { bytes += text.size(); }
};

template <class Out>
void appendNumber(Out& out, const char* lower, const char* upper, bool upperCase, unsigned value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, upperCase ? upper : lower, value);
    out += buffer;
}

template <class Out>
void appendUnicodeEscape(Out& out, char32_t point, bool upperCase) {
    if (point > 0xFFFF) {
        point -= 0x10000;
        appendNumber(out, "\\u%04x", "\\u%04X", upperCase, unsigned(0xD800 + (point >> 10)));
        appendNumber(out, "\\u%04x", "\\u%04X", upperCase, unsigned(0xDC00 + (point & 0x3FF)));
        return;
    }
    appendNumber(out, "\\u%04x", "\\u%04X", upperCase, unsigned(point));
}

char nameOf(char c) {
    switch (c) {
        case '\b':
            return 'b';
        case '\f':
            return 'f';
        case '\n':
            return 'n';
        case '\r':
            return 'r';
        case '\t':
            return 't';
        default:
            return 0;
    }
}

template <class Out>
void escapeInto(Out& out, std::string_view text, const StringEscapeStyle& style) {
    using Slash = StringEscapeStyle::Slash;
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            if (c == '\\' || (style.quote != 0 && c == style.quote)) {
                out += '\\';
                out += c;
            } else if (c == '/' &&
                       (style.slash == Slash::Always ||
                        (style.slash == Slash::AfterLessThan && i > 0 && text[i - 1] == '<'))) {
                out += "\\/";
            } else if (byte < 0x20 || byte == 0x7F) {
                if (nameOf(c) && style.namedControls.find(c) != std::string_view::npos) {
                    out += '\\';
                    out += nameOf(c);
                } else if (style.controls == StringEscapeStyle::Controls::Hex) {
                    appendNumber(out, "\\x%02x", "\\x%02X", style.upperCaseHex, byte);
                } else {
                    appendUnicodeEscape(out, byte, style.upperCaseHex);
                }
            } else {
                out += c;
            }
            ++i;
            continue;
        }
        const std::size_t length = utf8SequenceLength(text, i);
        if (length == 0) {
            if (style.hexBadBytes) {
                appendNumber(out, "\\x%02x", "\\x%02X", style.upperCaseHex, byte);
            } else {
                out += c;
            }
            ++i;
            continue;
        }
        const std::string_view sequence = text.substr(i, length);
        const char32_t point = utf8ToUtf32(sequence).front();
        if (point == 0x2028 || point == 0x2029 || (style.c1Controls && point <= 0x9F) ||
            style.asciiOnly) {
            appendUnicodeEscape(out, point, style.upperCaseHex);
        } else {
            out.append(sequence);
        }
        i += length;
    }
}

}  // namespace

void appendEscaped(std::string& out, std::string_view text, const StringEscapeStyle& style) {
    escapeInto(out, text, style);
}

std::size_t escapedSize(std::string_view text, const StringEscapeStyle& style) {
    ByteCount count;
    escapeInto(count, text, style);
    return count.bytes;
}

std::string escaped(std::string_view text, const StringEscapeStyle& style) {
    std::string out;
    out.reserve(text.size() + 2);
    appendEscaped(out, text, style);
    return out;
}

std::string logValue(std::string_view text, std::size_t maxBytes) {
    static constexpr std::string_view kCutMark = "...";
    maxBytes = std::max(maxBytes, kCutMark.size());
    const StringEscapeStyle style = StringEscapeStyle::log();
    std::string out;
    // Where the text would be cut should it not fit: the last character boundary that leaves
    // room for the mark.
    std::size_t cut = 0;
    while (!text.empty()) {
        // One character at a time, so a cut never splits one or its escape.
        const std::size_t consumed = std::max<std::size_t>(utf8SequenceLength(text, 0), 1);
        appendEscaped(out, text.substr(0, consumed), style);
        text.remove_prefix(consumed);
        if (out.size() <= maxBytes - kCutMark.size()) cut = out.size();
        if (out.size() > maxBytes) {
            out.resize(cut);
            out.append(kCutMark);
            return out;
        }
    }
    return out;
}

}  // namespace platform
