#include "platform/web/FakeWebViewScope.h"

#include "platform/web/FakeWebViewBackend.h"

namespace platform::web {

FakeWebViewScope::FakeWebViewScope()
    : pages_(std::make_shared<std::vector<std::shared_ptr<FakeWebPage>>>()) {
    previous_ = WebView::setBackendFactory(
        [pages = pages_](int width, int height) -> std::unique_ptr<WebViewBackend> {
            auto page = std::make_shared<FakeWebPage>(width, height);
            pages->push_back(page);
            return std::make_unique<FakeWebViewBackend>(page);
        });
}

FakeWebViewScope::~FakeWebViewScope() {
    WebView::setBackendFactory(std::move(previous_));
}

std::shared_ptr<FakeWebPage> FakeWebViewScope::lastPage() const {
    return pages_->empty() ? nullptr : pages_->back();
}

}  // namespace platform::web
