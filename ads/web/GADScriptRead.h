#pragma once

// A script's answer from a page without waiting for it, within a time-out: a busy page in the
// shared web process must hold neither the main thread nor whoever asked. Whichever comes first
// reaches `done`, once, on a later main-loop turn: the page's answer, or nothing when the
// script fails or `timeout` seconds of the platform's clock pass first; a late answer is
// ignored. A string answer longer than `longestValue` characters is refused in the page's own
// process and reaches `done` as nothing (WebView::evaluateJavaScript). Main thread only; the
// view is not held.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace platform::web {
class WebView;
}

namespace ads {

using GADScriptAnswer = std::function<void(std::optional<std::string> value)>;

void GADReadScriptWithin(platform::web::WebView& webView, const std::string& script, double timeout,
                         GADScriptAnswer done, std::size_t longestValue);

}  // namespace ads
