#include "ads/web/GADPagePings.h"

#include <utility>

#include "ads/foundation/GADDevice.h"
#include "ads/foundation/GADLog.h"
#include "ads/foundation/GADPingRequest.h"
#include "ads/foundation/GADURLUtilities.h"
#include "ads/web/GADAdView.h"
#include "platform/net/Connection.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/runtime/Timer.h"

namespace ads {

GADPagePings& GADPagePings::shared() {
    // Never released: pings run on while their ads are long gone.
    static auto* instance = new GADPagePings();
    return *instance;
}

GADPagePings::~GADPagePings() {
    for (auto& [view, pings] : ads_) {
        for (auto& [ping, sent] : pings->sent) {
            sent.limit->invalidate();
            sent.connection->cancel();
        }
    }
}

std::shared_ptr<GADPagePings::AdPings> GADPagePings::pingsFor(
    const std::shared_ptr<GADAdView>& adView) {
    // What waits for a view that is gone goes with it; the view is forgotten once the last
    // of its pings on the network has ended.
    std::erase_if(ads_, [](const auto& entry) {
        AdPings& pings = *entry.second;
        if (!pings.view.expired()) return false;
        pings.waiting.clear();
        return pings.sent.empty();
    });
    const std::uint64_t page = adView->pageLoadCount();
    auto& pings = ads_[adView.get()];
    if (!pings || pings->view.lock() != adView) {
        pings = std::make_shared<AdPings>();
        pings->view = adView;
        pings->page = page;
    } else if (pings->page != page) {
        // A new ad in the same view: a budget of its own. The old page's pings on the network
        // still hold their places.
        pings->page = page;
        pings->budget.renew();
        pings->waiting.clear();
    }
    return pings;
}

const GADPagePings::AdPings* GADPagePings::find(const std::shared_ptr<GADAdView>& adView) const {
    const auto found = ads_.find(adView.get());
    if (found == ads_.end() || found->second->view.lock() != adView) return nullptr;
    return found->second.get();
}

void GADPagePings::ping(const std::shared_ptr<GADAdView>& adView, const platform::Url& url) {
    MOVU_CHECK_MAIN_THREAD();
    if (!adView || !gad_isWebURL(url)) return;
    auto pings = pingsFor(adView);
    // The dropped line goes through the SDK's log, where the page's other lines go.
    if (!pings->budget.admit(GADLogText)) return;
    pings->waiting.push_back(url);
    sendWaiting(pings);
}

void GADPagePings::pingClickTracker(const std::shared_ptr<GADAdView>& adView,
                                    const platform::Url& url) {
    MOVU_CHECK_MAIN_THREAD();
    if (!adView || !gad_isWebURL(url)) return;
    auto pings = pingsFor(adView);
    if (!adView->touched() || adView->touchCount() <= pings->clickTouchesUsed) {
        ping(adView, url);
        return;
    }
    pings->clickTouchesUsed = adView->touchCount();
    send(pings, url);
}

void GADPagePings::sendWaiting(const std::shared_ptr<AdPings>& pings) {
    const auto view = pings->view.lock();
    if (!view || view->pageLoadCount() != pings->page) {
        pings->waiting.clear();
        return;
    }
    while (pings->sent.size() < kMaxPingsInFlightPerAd && !pings->waiting.empty()) {
        platform::Url url = std::move(pings->waiting.front());
        pings->waiting.pop_front();
        send(pings, std::move(url));
    }
}

void GADPagePings::send(const std::shared_ptr<AdPings>& pings, platform::Url url) {
    platform::UrlRequest request(std::move(url));
    // Trackers tell devices apart by the agent, as they do for the ad's own pings.
    if (auto agent = GADDevice::sharedInstance()->userAgentString()) request.setUserAgent(*agent);
    const std::uint64_t ping = ++pings->nextPing;
    const std::weak_ptr<AdPings> weak = pings;
    auto connection = GADPingRequest::send(
        std::move(request), [weak, ping](const auto&, const auto&) { end(weak, ping); });
    // Cancelled, the load says nothing more, so the limit ends the ping itself.
    auto limit = platform::MainLoop::main().postAfter(
        kPingTimeLimit, [weak, ping, load = std::weak_ptr<platform::Connection>(connection)] {
            if (auto running = load.lock()) running->cancel();
            end(weak, ping);
        });
    pings->sent.emplace(ping, Sent{std::move(connection), std::move(limit)});
}

void GADPagePings::end(const std::weak_ptr<AdPings>& weak, std::uint64_t ping) {
    const auto pings = weak.lock();
    if (!pings) return;
    const auto found = pings->sent.find(ping);
    if (found == pings->sent.end()) return;
    found->second.limit->invalidate();
    pings->sent.erase(found);
    sendWaiting(pings);
}

std::size_t GADPagePings::inFlight(const std::shared_ptr<GADAdView>& adView) const {
    const auto* pings = find(adView);
    return pings ? pings->sent.size() : 0;
}

std::size_t GADPagePings::inFlight() const {
    std::size_t count = 0;
    for (const auto& [view, pings] : ads_) count += pings->sent.size();
    return count;
}

std::size_t GADPagePings::waiting(const std::shared_ptr<GADAdView>& adView) const {
    const auto* pings = find(adView);
    return pings ? pings->waiting.size() : 0;
}

}  // namespace ads
