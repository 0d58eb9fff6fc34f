#include "ads/web/GADPageScripts.h"

#include <cstdio>

#include "ads/foundation/GADJSONAdditions.h"

namespace ads {

std::string GADJavaScriptQuotedString(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    out += '\'';
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        switch (c) {
            case '\\':
                out += "\\\\";
                continue;
            case '\'':
                out += "\\'";
                continue;
            case '\n':
                out += "\\n";
                continue;
            case '\r':
                out += "\\r";
                continue;
            case '/':
                if (i > 0 && text[i - 1] == '<') {
                    out += "\\/";
                    continue;
                }
                break;
            default:
                break;
        }
        if (c < 0x20 || c == 0x7f) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            out += escaped;
            continue;
        }
        // U+2028 and U+2029 (E2 80 A8 / E2 80 A9) end a line inside older script strings.
        if (c == 0xE2 && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x80 &&
            (static_cast<unsigned char>(text[i + 2]) == 0xA8 ||
             static_cast<unsigned char>(text[i + 2]) == 0xA9)) {
            out += static_cast<unsigned char>(text[i + 2]) == 0xA8 ? "\\u2028" : "\\u2029";
            i += 2;
            continue;
        }
        out += static_cast<char>(c);
    }
    out += '\'';
    return out;
}

std::string GADPageEventCommand(std::string_view name,
                                const platform::Value::Dictionary* userInfo) {
    std::string command = "RADE_ReceiveMessage(" + GADJavaScriptQuotedString(name);
    if (userInfo) {
        if (auto json = gad_JSONString(platform::Value(*userInfo), false)) {
            command += ", ";
            command += *json;
        }
    }
    command += ");";
    return command;
}

std::optional<int> GADOrientationDegrees(long orientation) {
    switch (orientation) {
        case 1:
            return 0;
        case 2:
            return 180;
        case 3:
            return 90;
        case 4:
            return -90;
        default:
            return std::nullopt;
    }
}

std::string GADOrientationScript(int degrees, bool dispatchOrientationChangeEvent) {
    std::string script = "window.__defineGetter__('orientation',function(){return " +
                         std::to_string(degrees) + ";});";
    if (dispatchOrientationChangeEvent) {
        script +=
            "(function(){var event = document.createEvent('Events');"
            "event.initEvent('orientationchange', true, false);window.dispatchEvent(event);})();";
    }
    return script;
}

std::string GADAsynchronousScript(std::string_view script) {
    std::string wrapped = "setTimeout(function(){";
    wrapped += script;
    wrapped += "}, 1);";
    return wrapped;
}

}  // namespace ads
