#include "ads/slot/GADBannerAdViewDelegate.h"

#include <algorithm>
#include <cctype>

#include "ads/foundation/GADCSI.h"
#include "ads/foundation/GADInternalError.h"
#include "ads/foundation/GADRequestError.h"
#include "ads/foundation/GADURLUtilities.h"
#include "ads/fullscreen/GADOpener.h"
#include "ads/slot/GADBannerPageHandlers.h"
#include "ads/slot/GADPageSlot.h"
#include "ads/web/GADAdView.h"
#include "platform/net/UrlError.h"
#include "platform/web/WebView.h"

namespace ads {

using platform::web::NavigationType;

std::shared_ptr<GADBannerAdViewDelegate> GADBannerAdViewDelegate::create(
    std::weak_ptr<GADPageSlot> slot, std::shared_ptr<GADOpener> opener) {
    if (!opener) opener = GADOpener::create();
    auto delegate = std::make_shared<GADBannerAdViewDelegate>(Private{}, opener, slot,
                                                              leadingPageHandlers(slot, opener));
    delegate->addTrailingPageHandlers();
    return delegate;
}

GADAdViewDelegate::HandlerList GADBannerAdViewDelegate::leadingPageHandlers(
    const std::weak_ptr<GADPageSlot>& slot, const std::shared_ptr<GADOpener>& opener) {
    opener->setSlot(slot);
    return GADBannerPageHandlers().leadingHandlers(GADBannerPageContext{opener, slot, {}});
}

void GADBannerAdViewDelegate::addTrailingPageHandlers() {
    const GADBannerPageContext page{
        opener_, slot_, std::static_pointer_cast<GADBannerAdViewDelegate>(shared_from_this())};
    for (auto& handler : GADBannerPageHandlers().trailingHandlers(page)) addGMSGHandler(handler);
}

GADBannerAdViewDelegate::GADBannerAdViewDelegate(Private p, std::shared_ptr<GADOpener> opener,
                                                 std::weak_ptr<GADPageSlot> slot,
                                                 HandlerList leadingHandlers)
    : GADAdViewDelegate(p, opener, std::move(leadingHandlers)),
      opener_(std::move(opener)),
      slot_(std::move(slot)) {}

void GADBannerAdViewDelegate::detachFromSlot() {
    slot_.reset();
    opener_->clearSlot();
    opener_->setDelegate({});
}

bool GADBannerAdViewDelegate::isClick(NavigationType type) const {
    auto slot = this->slot();
    return slot && slot->isAdClick(type);
}

platform::web::NavigationPolicy GADBannerAdViewDelegate::adViewPolicyForNavigation(
    const std::shared_ptr<GADAdView>& adView, const platform::UrlRequest& request,
    NavigationType type) {
    auto slot = this->slot();
    if (slot && !slot->adType().isInterstitial()) {
        opener_->setViewController(adView ? adView->viewController() : nullptr);
    }
    if (!slot || !slot->isAdClick(type))
        return GADAdViewDelegate::adViewPolicyForNavigation(adView, request, type);
    return policyForClick(adView, request, type);
}

void GADBannerAdViewDelegate::adViewDidHoldBackNavigation(const std::shared_ptr<GADAdView>& adView,
                                                          const platform::UrlRequest& request,
                                                          NavigationType type) {
    auto slot = this->slot();
    if (!slot || !slot->isAdClick(type)) return;
    openClick(adView, request.url(),
              [&slot](const platform::Url& url) { return slot->gestureClickURLWithURL(url); });
}

void GADBannerAdViewDelegate::adViewDidFinishLoad(const std::shared_ptr<GADAdView>& adView) {
    loadFinished_ = true;
    if (loadDelayed_) return;
    finishLoad(adView);
}

void GADBannerAdViewDelegate::finishLoad(const std::shared_ptr<GADAdView>& adView) {
    GADAdViewDelegate::adViewDidFinishLoad(adView);
    GADCSI::sharedInstance()->recordTimestampForLabel("native:view_load");
    auto slot = this->slot();
    if (!slot || slot->state() != GADSlotState::Rendering) return;
    slot->didReceiveValidAd();
    slot->didLoadAdHTMLInWebView();
    if (slot->adView()) slot->adView()->setHidden(false);
    if (!slot->adType().isInterstitial()) slot->didMakeAdImpression();
    slot->adFinishedLoadingContent();
}

void GADBannerAdViewDelegate::adViewDidFailLoadWithError(const std::shared_ptr<GADAdView>&,
                                                         const platform::Error& error) {
    // Our own refusal of a navigation, or a newer load, cancels a load: the ad is not broken.
    if (error.domain == platform::kUrlErrorDomain && error.code == platform::kUrlErrorCancelled) {
        return;
    }
    failSlot(error);
}

void GADBannerAdViewDelegate::failSlot(const platform::Error& error) {
    auto slot = this->slot();
    if (!slot) return;
    // Only the ad being fetched or rendered can fail; a page of a shown ad failing later (or
    // of a request already over) changes nothing.
    if (slot->state() != GADSlotState::FetchingAd && slot->state() != GADSlotState::Rendering) {
        return;
    }
    if (error.domain == kGADErrorDomain) {
        slot->didFailToReceiveAdWithError(GADPageSlot::requestErrorFrom(error), false);
    } else {
        slot->didFailToReceiveAdWithError(
            GADRequestError::errorWithCodeRequest(kGADErrorNetworkError, slot->request()), false);
    }
}

void GADBannerAdViewDelegate::adViewContentSizeDidChange(const std::shared_ptr<GADAdView>&,
                                                         platform::Size size) {
    if (auto slot = this->slot()) slot->updateContentSize(size);
}

void GADBannerAdViewDelegate::loadHandlerDidCancel(GADGMSGHandler&) {
    failSlot(platform::Error(platform::kUrlErrorDomain, platform::kUrlErrorCancelled));
}

void GADBannerAdViewDelegate::loadHandlerDidChangeDelay(GADGMSGHandler&, std::int64_t from,
                                                        std::int64_t to) {
    if (from == 0 && to >= 1) {
        loadDelayed_ = true;
    } else if (from >= 1 && to == 0) {
        loadDelayed_ = false;
        if (loadFinished_) {
            auto slot = this->slot();
            finishLoad(slot ? slot->adView() : nullptr);
        }
    }
}

GADMRAIDScriptKind GADBannerAdViewDelegate::MRAIDScriptKind() const {
    auto slot = this->slot();
    return slot && slot->adType().isInterstitial() ? GADMRAIDScriptKind::Interstitial
                                                   : GADMRAIDScriptKind::Banner;
}

}  // namespace ads
