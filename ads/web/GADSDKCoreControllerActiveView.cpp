// Web views lent to viewability monitors, and the cache of those whose units still run.

#include <algorithm>

#include "ads/web/GADSDKCoreController.h"
#include "platform/runtime/ThreadChecker.h"

namespace ads {

double GADSDKCoreController::activeViewSamplingInterval() const {
    double seconds = 0;
    lockQueue_.sync([&, locked = locked_] { seconds = locked->activeViewSamplingInterval; });
    return seconds;
}

double GADSDKCoreController::swipeToViewSamplingInterval() const {
    double seconds = 0;
    lockQueue_.sync([&, locked = locked_] { seconds = locked->swipeToViewSamplingInterval; });
    return seconds;
}

std::uint64_t GADSDKCoreController::activeViewUnloadCacheMaxSize() const {
    std::uint64_t size = 0;
    lockQueue_.sync([&, locked = locked_] { size = locked->activeViewUnloadCacheMaxSize; });
    return size;
}

bool GADSDKCoreController::useNewWebViewsForActiveViewProcessing() const {
    bool fresh = false;
    lockQueue_.sync(
        [&, locked = locked_] { fresh = locked->useNewWebViewsForActiveViewProcessing; });
    return fresh;
}

std::size_t GADSDKCoreController::activeViewUnloadCacheCount() const {
    std::size_t count = 0;
    lockQueue_.sync([&, locked = locked_] { count = locked->activeViewSDKCoreWebViews.size(); });
    return count;
}

std::shared_ptr<GADSDKCoreWebView> GADSDKCoreController::SDKCoreWebViewForActiveViewProcessing() {
    MOVU_CHECK_MAIN_THREAD();
    removeFinishedActiveViewWebViews();
    bool makeShared = false;
    bool fresh = false;
    std::shared_ptr<GADSDKCoreWebView> webView;
    lockQueue_.sync([&, locked = locked_] {
        fresh = locked->useNewWebViewsForActiveViewProcessing;
        if (!fresh && locked->SDKCoreUpdateHandled && locked->activeViewSDKCoreWebView) {
            webView = locked->activeViewSDKCoreWebView;
        } else if (!fresh) {
            makeShared = true;
        }
    });
    if (webView) return webView;
    // Web views are made on the main thread, outside the lock queue.
    webView = GADSDKCoreWebView::create(csi_);
    webView->refreshSDKCoreAndNotifyObserver({});
    if (makeShared) {
        std::shared_ptr<GADSDKCoreWebView> previous;
        lockQueue_.sync([&, locked = locked_] {
            previous = std::move(locked->activeViewSDKCoreWebView);
            locked->activeViewSDKCoreWebView = webView;
            locked->SDKCoreUpdateHandled = true;
        });
    }
    return webView;
}

void GADSDKCoreController::finishedUsingSDKCoreWebViewForActiveViewProcessing(
    const std::shared_ptr<GADSDKCoreWebView>& webView) {
    MOVU_CHECK_MAIN_THREAD();
    if (!webView || !webView->isActiveViewRunning()) return;
    cacheRunningActiveViewWebView(webView);
    removeFinishedActiveViewWebViews();
}

void GADSDKCoreController::cacheRunningActiveViewWebView(
    const std::shared_ptr<GADSDKCoreWebView>& webView) {
    lockQueue_.sync([&, locked = locked_] {
        auto& cache = locked->activeViewSDKCoreWebViews;
        if (std::find(cache.begin(), cache.end(), webView) == cache.end()) cache.push_back(webView);
    });
}

void GADSDKCoreController::removeFinishedActiveViewWebViews() {
    std::vector<std::shared_ptr<GADSDKCoreWebView>> removed;
    lockQueue_.sync([&, locked = locked_] {
        auto& cache = locked->activeViewSDKCoreWebViews;
        std::vector<std::shared_ptr<GADSDKCoreWebView>> kept;
        // Newest first: the units started last are the ones most worth waiting for.
        for (auto it = cache.rbegin(); it != cache.rend(); ++it) {
            if ((*it)->isActiveViewRunning() &&
                kept.size() < locked->activeViewUnloadCacheMaxSize) {
                kept.push_back(*it);
            } else {
                removed.push_back(*it);
            }
        }
        std::reverse(kept.begin(), kept.end());
        cache = std::move(kept);
    });
    for (auto& webView : removed) {
        webView->clearAllActiveViewInstances();
        finishedUsingSDKCoreWebViewForActiveViewProcessing(webView);
    }
}

}  // namespace ads
