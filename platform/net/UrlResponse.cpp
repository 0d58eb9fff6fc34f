#include "platform/net/UrlResponse.h"

#include <cctype>
#include <charconv>

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

}  // namespace

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
