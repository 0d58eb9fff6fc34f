#include "tools/ad_server/TextEscaping.h"

#include <algorithm>

namespace tools::adserver {

std::string htmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string percentEncode(std::string_view text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~';
        if (unreserved) {
            out += char(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::string jsonText(const nlohmann::ordered_json& value) {
    return value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

std::string scriptJson(const nlohmann::ordered_json& value) {
    std::string text = value.dump(-1, ' ', true, nlohmann::ordered_json::error_handler_t::replace);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '<' && i + 1 < text.size() && text[i + 1] == '/') {
            out += "<\\/";
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

namespace {

// Deepest bracket nesting outside strings; a lexical scan, so it cannot itself recurse.
std::size_t nestingDepth(std::string_view text) {
    std::size_t depth = 0, deepest = 0;
    bool inString = false, escaped = false;
    for (char c : text) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"')
            inString = true;
        else if (c == '[' || c == '{')
            deepest = std::max(deepest, ++depth);
        else if ((c == ']' || c == '}') && depth > 0)
            --depth;
    }
    return deepest;
}

}  // namespace

nlohmann::ordered_json parseUntrustedJson(std::string_view text, std::size_t maxDepth) {
    if (nestingDepth(text) > maxDepth) return nlohmann::ordered_json::value_t::discarded;
    return nlohmann::ordered_json::parse(text, nullptr, false);
}

std::string valueText(const nlohmann::ordered_json& value) {
    if (value.is_string()) return value.get<std::string>();
    return jsonText(value);
}

}  // namespace tools::adserver
