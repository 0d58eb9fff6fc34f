#pragma once

// One look at a web view: whether its page has drawn anything over the view's own background.
// The page's snapshot is placed in a picture of the view's size and compared pixel by pixel
// with the background colour, exactly as a banner's rendered check compares its ad view
// (GADAdViewRenderedChecker); below 90 % background the page has rendered. No snapshot, or an
// empty one, shows nothing and counts as not rendered.
//
// The checker holds its web view and its delegate weakly and does nothing once either is gone
// or has been cut loose, so a repeating timer may keep it alive after its owner moved on.
// Main thread only.

#include <memory>
#include <optional>

#include "platform/base/Color.h"
#include "platform/base/Geometry.h"
#include "platform/web/WebViewTypes.h"

namespace platform::web {
class WebView;
}

namespace ads {

class GADMWebViewRenderedCheckerDelegate {
  public:
    virtual ~GADMWebViewRenderedCheckerDelegate() = default;
    virtual void webViewIsRendered(platform::web::WebView& webView, bool rendered) = 0;
};

class GADMWebViewRenderedChecker {
  public:
    GADMWebViewRenderedChecker(std::weak_ptr<platform::web::WebView> webView,
                               std::weak_ptr<GADMWebViewRenderedCheckerDelegate> delegate);
    GADMWebViewRenderedChecker(const GADMWebViewRenderedChecker&) = delete;
    GADMWebViewRenderedChecker& operator=(const GADMWebViewRenderedChecker&) = delete;

    // After this every check does nothing.
    void cutLoose();

    // Takes a snapshot and tells the delegate the verdict.
    void checkIsContentRenderedInWebView();

    // The verdict on a snapshot of a view of `size` points whose background is `background`.
    static bool isRendered(const std::optional<platform::web::WebSnapshot>& snapshot,
                           platform::Size size, const platform::Color& background);

  private:
    std::weak_ptr<platform::web::WebView> webView_;
    std::weak_ptr<GADMWebViewRenderedCheckerDelegate> delegate_;
};

}  // namespace ads
