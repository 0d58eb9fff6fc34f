#include "ads/fullscreen/GADAdAppAdViewDelegate.h"

#include <cstdint>

#include "ads/foundation/GADAbsoluteTime.h"
#include "ads/foundation/GADStatisticDictionary.h"
#include "ads/foundation/GADURLUtilities.h"
#include "ads/fullscreen/GADAdAppPageHandlers.h"
#include "ads/fullscreen/GADAdAppViewController.h"
#include "ads/fullscreen/GADFullScreenSlot.h"
#include "ads/fullscreen/GADOpener.h"
#include "ads/web/GADMRAIDInterceptor.h"

namespace ads {

std::shared_ptr<GADAdAppAdViewDelegate> GADAdAppAdViewDelegate::create(
    std::weak_ptr<GADAdAppViewController> controller) {
    GADAdAppPageContext page{GADOpener::create(), controller.lock(), nullptr};
    if (page.controller) page.slot = page.controller->slot();
    page.opener->setSlot(page.slot);
    // The ad's pages shown full screen answer to the slot's auto-click protection as its
    // page did before it was shown.
    page.opener->setAutoClickProtected(page.slot && page.slot->isAutoClickProtected());
    const auto& handlers = GADAdAppPageHandlers();
    auto delegate = std::make_shared<GADAdAppAdViewDelegate>(Private{}, controller, page.opener,
                                                             handlers.leadingHandlers(page));
    for (auto& handler : handlers.trailingHandlers(page)) delegate->addGMSGHandler(handler);
    return delegate;
}

GADAdAppAdViewDelegate::GADAdAppAdViewDelegate(Private key,
                                               std::weak_ptr<GADAdAppViewController> controller,
                                               std::shared_ptr<GADOpener> opener,
                                               HandlerList leadingHandlers)
    : GADAdViewDelegate(key, opener, std::move(leadingHandlers)),
      controller_(std::move(controller)),
      opener_(std::move(opener)) {}

bool GADAdAppAdViewDelegate::didOpenAnotherApplication() const {
    return opener_->didOpenAnotherApplication();
}

void GADAdAppAdViewDelegate::setDidOpenAnotherApplication(bool opened) {
    opener_->setDidOpenAnotherApplication(opened);
}

GADAdAppAdViewDelegate::~GADAdAppAdViewDelegate() {
    setServesMRAIDScript(false);
}

void GADAdAppAdViewDelegate::setServesMRAIDScript(bool on) {
    // One hold per page at most: a page that starts twice before it finishes, or goes while
    // loading, must not leave the script served for every later load.
    if (on == holdsInterceptor_) return;
    holdsInterceptor_ = on;
    if (on)
        GADMRAIDInterceptor::enableCanInitWithRequest();
    else
        GADMRAIDInterceptor::disableCanInitWithRequest();
}

std::shared_ptr<GADFullScreenSlot> GADAdAppAdViewDelegate::clickingSlot(
    const std::shared_ptr<GADAdView>& adView, platform::web::NavigationType type) const {
    auto controller = controller_.lock();
    auto slot = controller ? controller->slot() : nullptr;
    // Only the ad's own page has clicks; a landing page's links are browsing.
    if (!slot || !adView || adView != slot->adView() || !slot->isAdClick(type)) return nullptr;
    return slot;
}

platform::web::NavigationPolicy GADAdAppAdViewDelegate::adViewPolicyForNavigation(
    const std::shared_ptr<GADAdView>& adView, const platform::UrlRequest& request,
    platform::web::NavigationType navigationType) {
    if (!clickingSlot(adView, navigationType))
        return GADAdViewDelegate::adViewPolicyForNavigation(adView, request, navigationType);
    return policyForClick(adView, request, navigationType);
}

void GADAdAppAdViewDelegate::adViewDidHoldBackNavigation(
    const std::shared_ptr<GADAdView>& adView, const platform::UrlRequest& request,
    platform::web::NavigationType navigationType) {
    auto slot = clickingSlot(adView, navigationType);
    if (!slot) return;
    openClick(adView, request.url(),
              [&slot](const platform::Url& url) { return slot->gestureClickURLWithURL(url); });
}

void GADAdAppAdViewDelegate::setLandingTime(const char* key, bool onlyFirst) {
    auto controller = controller_.lock();
    auto slot = controller ? controller->slot() : nullptr;
    auto statistics = slot ? slot->currentAdStatistics() : nullptr;
    if (!statistics) return;
    if (onlyFirst && statistics->objectForKey(key)) return;
    auto now = static_cast<std::int64_t>(GADAbsoluteTime::absoluteTimeInMilliseconds());
    statistics->setObject(platform::Value(now), key, true);
}

void GADAdAppAdViewDelegate::adViewDidStartLoad(const std::shared_ptr<GADAdView>& adView) {
    GADAdViewDelegate::adViewDidStartLoad(adView);
    setLandingTime("tlanding_page_load_start", true);
    setServesMRAIDScript(true);
}

void GADAdAppAdViewDelegate::adViewDidFinishLoad(const std::shared_ptr<GADAdView>& adView) {
    setLandingTime("tlanding_page_load_end", false);
    setServesMRAIDScript(false);
    GADAdViewDelegate::adViewDidFinishLoad(adView);
}

void GADAdAppAdViewDelegate::adViewDidFailLoadWithError(const std::shared_ptr<GADAdView>& adView,
                                                        const platform::Error& error) {
    setServesMRAIDScript(false);
    GADAdViewDelegate::adViewDidFailLoadWithError(adView, error);
}

}  // namespace ads
