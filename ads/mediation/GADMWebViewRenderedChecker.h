#pragma once

// One look at a web view: whether its page has drawn anything over the view's own background.
// The page's snapshot is placed in a picture of the view's size and compared pixel by pixel
// with the background colour, exactly as a banner's rendered check compares its ad view
// (GADAdViewRenderedChecker); below 90 % background the page has rendered. No snapshot, or an
// empty one, shows nothing and counts as not rendered.
//
// A look never waits for the page: each tick asks for a picture and judges it when it comes,
// one look in flight at a time, and gives exactly one verdict, as the banner's check does
// (GADRenderedLooks: a picture that has not come by the next tick counts as nothing seen, one
// that comes late is judged at the next tick).
//
// The checker holds its web view and its delegate weakly and does nothing once either is gone
// or has been cut loose (a picture that comes after that is dropped), so a repeating timer may
// keep it alive after its owner moved on. Main thread only; make it with std::make_shared, since
// the pictures find it through a weak reference.

#include <memory>
#include <optional>

#include "ads/slot/GADRenderedLooks.h"
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

class GADMWebViewRenderedChecker : public std::enable_shared_from_this<GADMWebViewRenderedChecker> {
  public:
    GADMWebViewRenderedChecker(std::weak_ptr<platform::web::WebView> webView,
                               std::weak_ptr<GADMWebViewRenderedCheckerDelegate> delegate);
    GADMWebViewRenderedChecker(const GADMWebViewRenderedChecker&) = delete;
    GADMWebViewRenderedChecker& operator=(const GADMWebViewRenderedChecker&) = delete;

    // After this every check does nothing.
    void cutLoose();

    // One tick: asks for a picture, or judges one that came late; one verdict to the delegate,
    // now or when the picture comes.
    void checkIsContentRenderedInWebView();
    // A look is waiting for its picture.
    bool isLookInFlight() const { return looks_.isLookInFlight(); }

    // The verdict on a snapshot of a view of `size` points whose background is `background`.
    static bool isRendered(const std::optional<platform::web::WebSnapshot>& snapshot,
                           platform::Size size, const platform::Color& background);

  private:
    void pictureArrived(std::uint64_t look, std::optional<platform::web::WebSnapshot> picture);
    void judge(const std::optional<platform::web::WebSnapshot>& picture,
               platform::web::WebView& webView, GADMWebViewRenderedCheckerDelegate& delegate);

    std::weak_ptr<platform::web::WebView> webView_;
    std::weak_ptr<GADMWebViewRenderedCheckerDelegate> delegate_;
    GADRenderedLooks looks_;
};

}  // namespace ads
