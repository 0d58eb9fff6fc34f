#pragma once

// The script texts native code runs in an ad page: events for the page's RADE_ReceiveMessage,
// the page's orientation, and the wrapper that runs a script on the page's next turn. Event
// names and parameters may carry what other pages or servers sent, so nothing reaches the
// page unquoted.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/base/Value.h"

namespace ads {

// The text as a single-quoted script string, quotes included: backslash, quote, line breaks,
// the other control characters and U+2028/U+2029 are escaped, and "</" is written "<\/" so the
// text can never close a script element it ends up in.
std::string GADJavaScriptQuotedString(std::string_view text);

// "RADE_ReceiveMessage('name', {...});" with the parameters as compact JSON, or
// "RADE_ReceiveMessage('name');" without parameters. Parameters JSON cannot carry (data,
// dates, NaN) give the one-argument form too: the page still hears the event, and a broken
// second argument would make the whole call a syntax error.
std::string GADPageEventCommand(std::string_view name, const platform::Value::Dictionary* userInfo);

// Several events delivered by one script, in order, each in a try block of its own so that one
// the page fails on does not keep the others from it. A page that finishes what it heard
// before telling its listeners (a microtask) then tells them of all of it at once. A single
// event is its own command, as GADPageEventCommand writes it.
std::string GADPageEventsCommand(
    const std::vector<std::pair<std::string, platform::Value::Dictionary>>& events);

// The degrees the page's window.orientation reports for an interface orientation (1 portrait
// 0, 2 upside down 180, 3 landscape right 90, 4 landscape left -90); nothing for other values.
std::optional<int> GADOrientationDegrees(long orientation);
// Redefines window.orientation as the degrees and, when asked, fires "orientationchange".
std::string GADOrientationScript(int degrees, bool dispatchOrientationChangeEvent);

// "setTimeout(function(){<script>}, 1);": the script runs on the page's next turn instead of
// inside the evaluation that delivers it.
std::string GADAsynchronousScript(std::string_view script);

}  // namespace ads
