#include "ads/web/GADWebViewCacheSet.h"

#include <algorithm>

#include "ads/web/GADScriptRead.h"
#include "platform/runtime/MainLoop.h"

namespace ads {

using platform::web::WebView;

namespace {

constexpr const char* kBlankPage = "about:blank";
constexpr const char* kEmptyBodyProbe =
    "(document.body && document.body.innerHTML === '') ? 'empty' : 'content'";
// Its answers are one word.
constexpr std::size_t kEmptyBodyProbeAnswerCharacters = 16;

}  // namespace

std::shared_ptr<GADWebViewCacheSet> GADWebViewCacheSet::create(std::uint64_t maxCapacity) {
    auto set = std::make_shared<GADWebViewCacheSet>(Private{}, maxCapacity);
    set->observeMemoryWarnings();
    return set;
}

GADWebViewCacheSet::GADWebViewCacheSet(Private key, std::uint64_t maxCapacity)
    : GADCacheSet<WebView>(key, maxCapacity) {}

GADWebViewCacheSet::~GADWebViewCacheSet() {
    for (const auto& webView : clearingWebViews_) {
        webView->setDelegate({});
        webView->stopLoading();
    }
}

void GADWebViewCacheSet::addObject(std::shared_ptr<WebView> webView) {
    if (!webView || maxCapacity() == 0) return;
    std::weak_ptr<GADWebViewCacheSet> weakSelf =
        std::static_pointer_cast<GADWebViewCacheSet>(shared_from_this());
    platform::MainLoop::main().post([weakSelf, webView = std::move(webView)]() mutable {
        if (auto self = weakSelf.lock()) self->startClearing(std::move(webView));
    });
}

void GADWebViewCacheSet::startClearing(std::shared_ptr<WebView> webView) {
    if (clearingWebViews_.size() >= kMaxClearingWebViews) return;
    if (std::find(clearingWebViews_.begin(), clearingWebViews_.end(), webView) !=
        clearingWebViews_.end()) {
        return;
    }
    webView->stopLoading();
    std::shared_ptr<GADWebViewCacheSet> self =
        std::static_pointer_cast<GADWebViewCacheSet>(shared_from_this());
    webView->setDelegate(std::weak_ptr<platform::web::WebViewDelegate>(self));
    clearingWebViews_.push_back(webView);
    webView->loadRequest(platform::UrlRequest(*platform::Url::parse(kBlankPage)));
}

std::shared_ptr<WebView> GADWebViewCacheSet::stopClearing(WebView& webView) {
    auto found = std::find_if(clearingWebViews_.begin(), clearingWebViews_.end(),
                              [&](const auto& v) { return v.get() == &webView; });
    if (found == clearingWebViews_.end()) return nullptr;
    auto taken = std::move(*found);
    clearingWebViews_.erase(found);
    taken->setDelegate({});
    return taken;
}

bool GADWebViewCacheSet::webViewShouldStartLoad(WebView&, const platform::UrlRequest& request,
                                                platform::web::NavigationType) {
    return request.url().absoluteString() == kBlankPage;
}

void GADWebViewCacheSet::webViewDidFinishLoad(WebView& webView) {
    auto taken = stopClearing(webView);
    if (taken) probe(std::move(taken));
}

void GADWebViewCacheSet::probe(std::shared_ptr<WebView> webView) {
    // Whatever the last page left in the document (a script that wrote into the blank page,
    // say) would show in the next ad. Asked so that only a real empty body says "empty": a
    // script that fails answers "" and must not count as clean.
    std::weak_ptr<GADWebViewCacheSet> weakSelf =
        std::static_pointer_cast<GADWebViewCacheSet>(shared_from_this());
    const WebView* key = webView.get();
    probes_.push_back(webView);
    GADReadScriptWithin(
        *webView, kEmptyBodyProbe, kEmptyBodyProbeTimeout,
        [weakSelf, key](std::optional<std::string> value) {
            if (auto self = weakSelf.lock()) self->endProbe(key, value == "empty");
        },
        kEmptyBodyProbeAnswerCharacters);
}

void GADWebViewCacheSet::endProbe(const WebView* webView, bool clean) {
    auto found = std::find_if(probes_.begin(), probes_.end(),
                              [&](const auto& probed) { return probed.get() == webView; });
    if (found == probes_.end()) return;
    auto probed = std::move(*found);
    probes_.erase(found);
    // Added only while there is room, so the view is never dropped on the set's own queue.
    if (clean && count() < maxCapacity()) GADCacheSet<WebView>::addObject(std::move(probed));
}

void GADWebViewCacheSet::webViewDidFailLoad(WebView& webView, const platform::Error&) {
    stopClearing(webView);
}

}  // namespace ads
