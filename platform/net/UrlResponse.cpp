#include "platform/net/UrlResponse.h"

#include <cctype>
#include <charconv>

#include "platform/base/PercentEncoding.h"

namespace platform {

namespace {

std::string lowerTrimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

void skipSpaces(std::string_view& text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
}

// One parameter value: a quoted string (backslash escapes the next character) or a token up
// to the next ';'. Leaves text after the value.
std::string parameterValue(std::string_view& text) {
    skipSpaces(text);
    std::string value;
    if (!text.empty() && text.front() == '"') {
        text.remove_prefix(1);
        while (!text.empty() && text.front() != '"') {
            if (text.front() == '\\' && text.size() > 1) text.remove_prefix(1);
            value.push_back(text.front());
            text.remove_prefix(1);
        }
        if (!text.empty()) text.remove_prefix(1);
    }
    const auto end = text.find(';');
    std::string_view rest = text.substr(0, end);
    if (value.empty()) {
        while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t')) rest.remove_suffix(1);
        value = std::string(rest);
    }
    text.remove_prefix(end == std::string_view::npos ? text.size() : end);
    return value;
}

// "UTF-8''name%20here" (RFC 5987): the charset, an optional language, the encoded name.
// Latin-1 names become UTF-8; other charsets are not understood.
std::optional<std::string> extendedValue(std::string_view value) {
    const auto firstQuote = value.find('\'');
    if (firstQuote == std::string_view::npos) return std::nullopt;
    const auto secondQuote = value.find('\'', firstQuote + 1);
    if (secondQuote == std::string_view::npos) return std::nullopt;
    const std::string charset = lowerTrimmed(value.substr(0, firstQuote));
    const std::string_view encoded = value.substr(secondQuote + 1);
    if (charset == "utf-8") return percentDecode(encoded);
    if (charset != "iso-8859-1") return std::nullopt;
    auto bytes = percentDecodeBytes(encoded);
    if (!bytes) return std::nullopt;
    std::string utf8;
    for (unsigned char c : *bytes) {
        if (c < 0x80) {
            utf8.push_back(static_cast<char>(c));
        } else {
            utf8.push_back(static_cast<char>(0xC0 | (c >> 6)));
            utf8.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return utf8;
}

}  // namespace

std::string UrlResponse::suggestedFilename() const {
    std::optional<std::string> plain, extended;
    if (auto disposition = headers.get("Content-Disposition")) {
        std::string_view text(*disposition);
        // The disposition type comes first; parameters follow, each after a ';'.
        auto semicolon = text.find(';');
        while (semicolon != std::string_view::npos) {
            text.remove_prefix(semicolon + 1);
            skipSpaces(text);
            const auto equals = text.find('=');
            const auto next = text.find(';');
            if (equals == std::string_view::npos ||
                (next != std::string_view::npos && next < equals)) {
                semicolon = next;
                continue;
            }
            const std::string name = lowerTrimmed(text.substr(0, equals));
            text.remove_prefix(equals + 1);
            std::string value = parameterValue(text);
            if (name == "filename*" && !extended) extended = extendedValue(value);
            if (name == "filename" && !plain) plain = std::move(value);
            semicolon = text.find(';');
        }
    }
    if (extended && !extended->empty()) return *extended;
    if (plain && !plain->empty()) return *plain;
    std::string last = url.lastPathComponent();
    if (!last.empty() && last != "/") return last;
    return "Unknown";
}

bool UrlResponse::isRedirect() const {
    return (statusCode == 301 || statusCode == 302 || statusCode == 303 || statusCode == 307 ||
            statusCode == 308) &&
           headers.contains("Location");
}

void UrlResponse::deriveFromHeaders() {
    expectedContentLength = -1;
    if (auto length = headers.get("Content-Length")) {
        std::string text = lowerTrimmed(*length);
        std::int64_t value = -1;
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (ec == std::errc() && end == text.data() + text.size() && value >= 0)
            expectedContentLength = value;
    }
    mimeType.clear();
    textEncodingName.clear();
    std::string type = headers.value("Content-Type");
    std::string_view rest(type);
    auto semicolon = rest.find(';');
    mimeType = lowerTrimmed(rest.substr(0, semicolon));
    while (semicolon != std::string_view::npos) {
        rest.remove_prefix(semicolon + 1);
        semicolon = rest.find(';');
        std::string param = lowerTrimmed(rest.substr(0, semicolon));
        if (param.rfind("charset=", 0) == 0) {
            std::string value = param.substr(8);
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                value = value.substr(1, value.size() - 2);
            textEncodingName = value;
        }
    }
}

}  // namespace platform
