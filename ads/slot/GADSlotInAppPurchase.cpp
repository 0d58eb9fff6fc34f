// GADSlot: the in-app purchases its ads offer, handed to whoever carries them out.

#include "ads/foundation/GADLogger.h"
#include "ads/foundation/GADRunOnMainThread.h"
#include "ads/fullscreen/GADInAppPurchase.h"
#include "ads/fullscreen/GADInAppPurchaseDelegate.h"
#include "ads/slot/GADSlot.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADPageLog.h"
#include "platform/runtime/ThreadChecker.h"

namespace ads {

namespace {

GADSlot::DefaultInAppPurchaseFlowProvider& defaultFlowProvider() {
    static GADSlot::DefaultInAppPurchaseFlowProvider provider;
    return provider;
}

std::shared_ptr<GADInAppPurchaseDelegate> enabledDefaultFlow() {
    const auto& provider = defaultFlowProvider();
    return provider ? provider() : nullptr;
}

}  // namespace

void GADSlot::setDefaultInAppPurchaseFlowProvider(DefaultInAppPurchaseFlowProvider provider) {
    defaultFlowProvider() = std::move(provider);
}

bool GADSlot::hasInAppPurchaseDelegate() const {
    if (enabledDefaultFlow()) return true;
    auto owner = slotDelegate();
    return owner && owner->hasInAppPurchaseDelegate();
}

std::shared_ptr<GADInAppPurchaseDelegate> GADSlot::inAppPurchaseDelegate() const {
    if (auto flow = enabledDefaultFlow()) return flow;
    auto owner = slotDelegate();
    return owner ? owner->inAppPurchaseDelegate() : nullptr;
}

void GADSlot::didReceiveInAppPurchase(const std::shared_ptr<GADInAppPurchase>& purchase) {
    MOVU_CHECK_MAIN_THREAD();
    if (!purchase) return;
    auto delegate = inAppPurchaseDelegate();
    if (!delegate) {
        // The ad's page asked for it, and may ask again with each touch: its log budget pays.
        GADPageLog::write(adView().get(),
                          GADLogger::publicMessageLine(kGADNoInAppPurchaseDelegateMessage));
        return;
    }
    GADRunOnMainThread([delegate, purchase] { delegate->didReceiveInAppPurchase(purchase); });
}

}  // namespace ads
