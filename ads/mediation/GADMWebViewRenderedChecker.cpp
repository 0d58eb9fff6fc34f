#include "ads/mediation/GADMWebViewRenderedChecker.h"

#include <algorithm>
#include <cmath>

#include "ads/slot/GADAdViewRenderedChecker.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/web/WebView.h"

namespace ads {

namespace {

// Pixels at one pixel per point; 0 for a side with nothing to draw.
int pixelsFor(double points) {
    if (!(points > 0)) return 0;
    return static_cast<int>(std::ceil(std::min(points, platform::web::WebView::kMaxContentExtent)));
}

}  // namespace

GADMWebViewRenderedChecker::GADMWebViewRenderedChecker(
    std::weak_ptr<platform::web::WebView> webView,
    std::weak_ptr<GADMWebViewRenderedCheckerDelegate> delegate)
    : webView_(std::move(webView)), delegate_(std::move(delegate)) {}

void GADMWebViewRenderedChecker::cutLoose() {
    MOVU_CHECK_MAIN_THREAD();
    webView_.reset();
    delegate_.reset();
    looks_.reset();
}

bool GADMWebViewRenderedChecker::isRendered(
    const std::optional<platform::web::WebSnapshot>& snapshot, platform::Size size,
    const platform::Color& background) {
    // A page that gave no picture, or a picture without pixels, shows nothing; with a clear
    // background the placed picture would be all background anyway, but with another colour
    // the transparent rest would wrongly count as drawn.
    if (!snapshot || snapshot->empty()) return false;
    const int width = pixelsFor(size.width), height = pixelsFor(size.height);
    const double share =
        GADAdViewRenderedChecker::percentOfSnapshot(*snapshot, width, height, background);
    // NaN (no pixels) compares false: not rendered.
    return share < GADAdViewRenderedChecker::kRenderedThreshold;
}

void GADMWebViewRenderedChecker::checkIsContentRenderedInWebView() {
    MOVU_CHECK_MAIN_THREAD();
    auto webView = webView_.lock();
    auto delegate = delegate_.lock();
    if (!webView || !delegate) return;
    auto tick = looks_.tick();
    if (tick.previousUnseen) {
        delegate->webViewIsRendered(*webView, false);
        if (webView_.expired() || delegate_.expired()) return;
    }
    switch (tick.then) {
        case GADRenderedLooks::Tick::Then::Look:
            webView->takeSnapshot([weak = weak_from_this(), look = tick.look](
                                      std::optional<platform::web::WebSnapshot> picture) {
                if (auto self = weak.lock()) self->pictureArrived(look, std::move(picture));
            });
            return;
        case GADRenderedLooks::Tick::Then::JudgeHeld:
            return judge(tick.held, *webView, *delegate);
        case GADRenderedLooks::Tick::Then::Unseen:
            return delegate->webViewIsRendered(*webView, false);
    }
}

void GADMWebViewRenderedChecker::pictureArrived(std::uint64_t look,
                                                std::optional<platform::web::WebSnapshot> picture) {
    auto webView = webView_.lock();
    auto delegate = delegate_.lock();
    if (!webView || !delegate) return;
    if (looks_.arrived(look, picture)) judge(picture, *webView, *delegate);
}

void GADMWebViewRenderedChecker::judge(const std::optional<platform::web::WebSnapshot>& picture,
                                       platform::web::WebView& webView,
                                       GADMWebViewRenderedCheckerDelegate& delegate) {
    delegate.webViewIsRendered(
        webView, isRendered(picture, webView.size(), webView.settings().backgroundColor));
}

}  // namespace ads
