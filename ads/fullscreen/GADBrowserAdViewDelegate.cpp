#include "ads/fullscreen/GADBrowserAdViewDelegate.h"

#include <cstdint>

#include "ads/foundation/GADAbsoluteTime.h"
#include "ads/foundation/GADStatisticDictionary.h"
#include "ads/foundation/GADStringAdditions.h"
#include "ads/fullscreen/GADAdAppPageHandlers.h"
#include "ads/fullscreen/GADBrowserAdView.h"
#include "ads/fullscreen/GADBrowserViewController.h"
#include "ads/fullscreen/GADFullScreenSlot.h"
#include "ads/fullscreen/GADOpener.h"
#include "platform/runtime/ThreadChecker.h"

namespace ads {

namespace {

std::shared_ptr<GADStatisticDictionary> statisticsOf(
    const std::shared_ptr<GADBrowserViewController>& browser) {
    auto slot = browser ? browser->slot() : nullptr;
    return slot ? slot->currentAdStatistics() : nullptr;
}

void setNow(GADStatisticDictionary& statistics, const char* key) {
    auto now = static_cast<std::int64_t>(GADAbsoluteTime::absoluteTimeInMilliseconds());
    statistics.setObject(platform::Value(now), key, true);
}

}  // namespace

std::shared_ptr<GADBrowserAdViewDelegate> GADBrowserAdViewDelegate::create() {
    MOVU_CHECK_MAIN_THREAD();
    // No controller and no slot: the page's handlers report to nobody's ad.
    GADAdAppPageContext page{GADOpener::create(), nullptr, nullptr};
    // The landing page is the ad's choice, shown because a touch of the ad was spent on it:
    // whatever it opens out of itself (another program, a composer) needs the player's own
    // touch of the page, one each, or one tap of the ad would open the browser and then, by
    // the page's script, the desktop too.
    page.opener->setAutoClickProtected(true);
    auto leading = GADAdAppPageHandlers().leadingHandlers(page);
    return std::make_shared<GADBrowserAdViewDelegate>(Private{}, page.opener, std::move(leading));
}

GADBrowserAdViewDelegate::GADBrowserAdViewDelegate(Private key, std::shared_ptr<GADOpener> opener,
                                                   HandlerList leadingHandlers)
    : GADAdViewDelegate(key, opener, std::move(leadingHandlers)), opener_(std::move(opener)) {}

std::shared_ptr<GADBrowserViewController> GADBrowserAdViewDelegate::browserControllerForAdView(
    const std::shared_ptr<GADAdView>& adView) {
    auto page = std::dynamic_pointer_cast<GADBrowserAdView>(adView);
    return page ? page->browserViewController() : nullptr;
}

bool GADBrowserAdViewDelegate::adViewShouldStartLoadWithRequest(
    const std::shared_ptr<GADAdView>& adView, const platform::UrlRequest& request,
    platform::web::NavigationType navigationType) {
    MOVU_CHECK_MAIN_THREAD();
    const bool byUser = navigationType == platform::web::NavigationType::LinkClicked ||
                        navigationType == platform::web::NavigationType::FormSubmitted;
    auto statistics = byUser ? statisticsOf(browserControllerForAdView(adView)) : nullptr;
    if (statistics) {
        const std::string scheme = gad_asciiLowercased(request.url().scheme());
        if (scheme == "http") statistics->incrementNumberForKey("plpnc", true);
        if (scheme == "https") statistics->incrementNumberForKey("plpsnc", true);
    }
    return GADAdViewDelegate::adViewShouldStartLoadWithRequest(adView, request, navigationType);
}

void GADBrowserAdViewDelegate::adViewDidStartLoad(const std::shared_ptr<GADAdView>& adView) {
    MOVU_CHECK_MAIN_THREAD();
    auto browser = browserControllerForAdView(adView);
    auto statistics = statisticsOf(browser);
    if (statistics && !statistics->objectForKey("tlanding_page_load_start"))
        setNow(*statistics, "tlanding_page_load_start");
    GADAdViewDelegate::adViewDidStartLoad(adView);
    if (browser) browser->refreshToolbar();
}

void GADBrowserAdViewDelegate::adViewDidFinishLoad(const std::shared_ptr<GADAdView>& adView) {
    MOVU_CHECK_MAIN_THREAD();
    auto browser = browserControllerForAdView(adView);
    if (auto statistics = statisticsOf(browser)) setNow(*statistics, "tlanding_page_load_end");
    GADAdViewDelegate::adViewDidFinishLoad(adView);
    if (browser) browser->refreshToolbar();
}

void GADBrowserAdViewDelegate::adViewDidFailLoadWithError(const std::shared_ptr<GADAdView>& adView,
                                                          const platform::Error& error) {
    MOVU_CHECK_MAIN_THREAD();
    GADAdViewDelegate::adViewDidFailLoadWithError(adView, error);
    if (auto browser = browserControllerForAdView(adView)) browser->refreshToolbar();
}

}  // namespace ads
