#include "ads/slot/ZORInterstitial.h"

#include "ads/foundation/GADLogger.h"
#include "ads/slot/GADAppEventDelegate.h"
#include "ads/slot/GADSlot.h"
#include "platform/runtime/ThreadChecker.h"

namespace ads {

std::shared_ptr<ZORInterstitial> ZORInterstitial::create(std::optional<std::string> adUnitID) {
    auto interstitial = std::make_shared<ZORInterstitial>(Private{});
    interstitial->setUp(std::move(adUnitID));
    return interstitial;
}

const std::shared_ptr<GADCorrelator>& ZORInterstitial::correlator() const {
    return slot()->correlator();
}

void ZORInterstitial::setCorrelator(std::shared_ptr<GADCorrelator> correlator) {
    slot()->setCorrelator(std::move(correlator));
}

void ZORInterstitial::presentFromRootViewController(
    const std::shared_ptr<platform::ui::ViewController>& root) {
    MOVU_CHECK_MAIN_THREAD();
    if (customAdRenderingEnabled_) {
        GADLogger::sharedInstance().logPublicMessage(
            "Error: Custom ad rendering is enabled. Please present interstitial view from "
            "rootViewController manually.");
        return;
    }
    GADInterstitial::presentFromRootViewController(root);
}

void ZORInterstitial::slotWillLoadAdWithRequest(GADSlot& slot, const GADRequest&) {
    hooks_.willLoadAdWithRequest(slot);
}

std::optional<bool> ZORInterstitial::slotShouldPreemptInProgressRequest(GADSlot& slot) {
    return hooks_.shouldPreemptInProgressRequest(slot);
}

void ZORInterstitial::slotDidReceiveAppEvent(GADSlot&, const std::string& name,
                                             const std::optional<std::string>& info) {
    if (auto delegate = appEventDelegate()) {
        delegate->interstitialDidReceiveAppEvent(*this, name, info);
    }
}

std::optional<bool> ZORInterstitial::slotNotifyPublisherToRenderCustomRenderingAd(
    GADSlot& slot, const std::shared_ptr<GADAd>& ad, std::optional<platform::Error>& error) {
    customAdRenderingEnabled_ = true;
    auto publisher = customRenderedInterstitialDelegate();
    if (!publisher) {
        error = ZORPublisherHooks::notConformingError(
            "ZORCustomRenderedInterstitialDelegate", "Interstitial",
            ZORPublisherHooks::describe(kClassName, this),
            ZORPublisherHooks::describe("ZORCustomRenderedInterstitialDelegate", nullptr));
        return false;
    }
    auto self = std::static_pointer_cast<ZORInterstitial>(shared_from_this());
    auto custom = ZORPublisherHooks::startCustomRendering(
        slot, ad, std::weak_ptr<ZORCustomRenderedAdDelegate>(self));
    publisher->interstitialDidReceiveCustomRenderedAd(*this, custom);
    return true;
}

void ZORInterstitial::recordClick(ZORCustomRenderedAd& ad) {
    ZORPublisherHooks::recordClick(slot().get(), ad);
}

void ZORInterstitial::recordCustomAdImpression(ZORCustomRenderedAd& ad) {
    ZORPublisherHooks::recordImpression(slot().get(), ad);
}

void ZORInterstitial::finishedRenderingAdView(ZORCustomRenderedAd& ad, platform::ui::View*) {
    ZORPublisherHooks::finishedRendering(slot().get(), ad);
}

}  // namespace ads
