// What a web page hands the program: navigation URLs, script answers, titles and content
// sizes, each checked by the WebView before anyone sees it. The input is split at newlines into
// a URL, a script answer, a title and a size ("<width> <height>").

#include <cstdlib>
#include <memory>
#include <string>

#include "FuzzSupport.h"
#include "platform/runtime/MainLoopTestScope.h"
#include "platform/web/FakeWebViewScope.h"
#include "platform/web/RecordingWebViewDelegate.h"
#include "platform/web/WebView.h"

namespace {

std::string part(std::string_view text, int index) {
    for (int i = 0; i < index; ++i) {
        auto newline = text.find('\n');
        if (newline == std::string_view::npos) return {};
        text.remove_prefix(newline + 1);
    }
    return std::string(text.substr(0, text.find('\n')));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace platform::web;
    const auto text = fuzz::bytes(data, size);
    platform::MainLoopTestScope loop;
    FakeWebViewScope fakes;
    auto delegate = std::make_shared<RecordingWebViewDelegate>();
    auto view = WebView::create({320, 50});
    view->setDelegate(delegate);
    auto page = fakes.lastPage();

    const std::string url = part(text, 0);
    auto navigation = page->fireNavigation(url, static_cast<NavigationType>(size % 9));
    page->setScriptAnswer([&](const std::string&) {
        FakeWebPage::ScriptResult r;
        r.scalar = true;
        r.value = part(text, 1);
        return r;
    });
    std::string answer = view->stringByEvaluatingJavaScriptFromString("x");
    page->setTitle(part(text, 2));
    std::string title = view->title();
    std::string sizeText = part(text, 3);
    char* end = nullptr;
    double width = std::strtod(sizeText.c_str(), &end);
    double height = std::strtod(end, nullptr);
    page->fireContentSize(width, height);
    page->setCurrentUrl(url);
    (void)view->url();
    loop.runUntilIdle();

    FUZZ_CHECK(navigation->answer.has_value());
    FUZZ_CHECK(answer.size() <= WebView::kMaxScriptResultLength);
    FUZZ_CHECK(title.size() <= WebView::kMaxTitleLength);
    for (const auto& request : delegate->requests) {
        FUZZ_CHECK(request.url().absoluteString().size() <= WebView::kMaxUrlLength);
    }
    for (const auto& s : delegate->sizes) {
        FUZZ_CHECK(s.width >= 0 && s.height >= 0 && s.width <= WebView::kMaxContentExtent &&
                   s.height <= WebView::kMaxContentExtent);
    }
    return 0;
}
