#pragma once

// Clean web views kept for the next ad view: making a web view is the slow part of showing an
// ad. A web view handed in is first blanked (loaded with "about:blank", every other navigation
// refused); only one whose blank page then has an empty body enters the set, so nothing of the
// previous ad's page can leak into the next ad. At most three views are blanked at a time; more
// are let go. The set holds at most its capacity (capacity 0: nothing is ever kept), and
// empties itself on a memory warning.
//
// The empty body is asked of the blank page without waiting: a busy page in the shared web
// process would otherwise hold the main thread, and every frame, until it answered. A view
// whose answer has not come within kEmptyBodyProbeTimeout seconds of the platform's clock is
// let go as not known to be clean, as one whose answer is anything but an empty body.
//
// Main thread: web views are made, used and released there, so the blanking runs there (a
// later main-loop turn after the view is handed in) and views enter the underlying set only
// when it has room, never to be dropped on its queue. The blanking and the probe hold the set
// weakly; a set that goes stops the blanking of its views and lets them go, probed or not.

#include <cstdint>
#include <memory>
#include <vector>

#include "ads/foundation/GADCacheSet.h"
#include "platform/web/WebView.h"
#include "platform/web/WebViewDelegate.h"

namespace ads {

class GADWebViewCacheSet : public GADCacheSet<platform::web::WebView>,
                           public platform::web::WebViewDelegate {
  public:
    static constexpr std::size_t kMaxClearingWebViews = 3;
    static constexpr double kEmptyBodyProbeTimeout = 1.0;

    static std::shared_ptr<GADWebViewCacheSet> create(std::uint64_t maxCapacity);
    GADWebViewCacheSet(Private, std::uint64_t maxCapacity);
    ~GADWebViewCacheSet() override;

    // Takes a web view to blank and then keep (see above); hides the underlying set's add,
    // which would keep a view as it is.
    void addObject(std::shared_ptr<platform::web::WebView> webView);
    // The views being blanked now, and those blanked whose body is being asked about.
    std::size_t clearingCount() const { return clearingWebViews_.size(); }
    std::size_t probingCount() const { return probes_.size(); }

    // The blanking's policy and its end.
    bool webViewShouldStartLoad(platform::web::WebView& webView,
                                const platform::UrlRequest& request,
                                platform::web::NavigationType type) override;
    void webViewDidFinishLoad(platform::web::WebView& webView) override;
    void webViewDidFailLoad(platform::web::WebView& webView, const platform::Error& error) override;

  private:
    void startClearing(std::shared_ptr<platform::web::WebView> webView);
    // The view's place in clearingWebViews_, taken out; nullptr when it is not being blanked.
    std::shared_ptr<platform::web::WebView> stopClearing(platform::web::WebView& webView);

    void probe(std::shared_ptr<platform::web::WebView> webView);
    void endProbe(const platform::web::WebView* webView, bool clean);

    std::vector<std::shared_ptr<platform::web::WebView>> clearingWebViews_;
    // Blanked, their body being asked about.
    std::vector<std::shared_ptr<platform::web::WebView>> probes_;
};

}  // namespace ads
