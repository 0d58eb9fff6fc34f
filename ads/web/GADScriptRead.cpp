#include "ads/web/GADScriptRead.h"

#include <memory>
#include <utility>

#include "platform/runtime/MainLoop.h"
#include "platform/runtime/Timer.h"
#include "platform/web/WebView.h"

namespace ads {

void GADReadScriptWithin(platform::web::WebView& webView, const std::string& script, double timeout,
                         GADScriptAnswer done, std::size_t longestValue) {
    struct Read {
        GADScriptAnswer done;
        std::shared_ptr<platform::Timer> timeout;
    };
    auto read = std::make_shared<Read>();
    read->done = std::move(done);
    read->timeout = platform::MainLoop::main().postAfter(timeout, [read] {
        if (auto finish = std::exchange(read->done, nullptr)) finish(std::nullopt);
    });
    webView.evaluateJavaScript(
        script,
        [read](const std::string& value, const std::optional<platform::Error>& error) {
            auto finish = std::exchange(read->done, nullptr);
            if (!finish) return;
            read->timeout->invalidate();
            finish(error ? std::nullopt : std::optional(value));
        },
        longestValue);
}

}  // namespace ads
