#pragma once

// For tests: while the scope lives, WebView::create() makes views backed by a FakeWebPage
// instead of WebKit, and the scope hands out those pages in creation order. Scopes nest; the
// previous engine comes back when the scope ends.

#include <memory>
#include <vector>

#include "platform/web/FakeWebPage.h"
#include "platform/web/WebView.h"

namespace platform::web {

class FakeWebViewScope {
  public:
    FakeWebViewScope();
    ~FakeWebViewScope();
    FakeWebViewScope(const FakeWebViewScope&) = delete;
    FakeWebViewScope& operator=(const FakeWebViewScope&) = delete;

    const std::vector<std::shared_ptr<FakeWebPage>>& pages() const { return *pages_; }
    // The page of the view made last, or nullptr.
    std::shared_ptr<FakeWebPage> lastPage() const;

  private:
    std::shared_ptr<std::vector<std::shared_ptr<FakeWebPage>>> pages_;
    WebView::BackendFactory previous_;
};

}  // namespace platform::web
