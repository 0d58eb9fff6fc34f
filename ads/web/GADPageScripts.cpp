#include "ads/web/GADPageScripts.h"

#include <cstdio>

#include "ads/foundation/GADJSONAdditions.h"
#include "platform/base/StringEscaping.h"

namespace ads {

std::string GADJavaScriptQuotedString(std::string_view text) {
    std::string out = "'";
    platform::appendEscaped(out, text, platform::StringEscapeStyle::script());
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

std::string GADPageEventsCommand(
    const std::vector<std::pair<std::string, platform::Value::Dictionary>>& events) {
    if (events.size() == 1) return GADPageEventCommand(events[0].first, &events[0].second);
    std::string script;
    for (const auto& [name, parameters] : events) {
        script += "try{" + GADPageEventCommand(name, &parameters) + "}catch(e){}";
    }
    return script;
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
