#pragma once

// A network's native ad on its way from the native connector to the app: the mediated ad that
// carries the manager's click and impression handlers (GADMediatedAd), and the network's own
// object. The native ad made from it keeps it for its whole life and reports through it: the
// manager's pings first, then the network's delegate. An SDK native ad that went through
// mediation keeps a wrapper whose ad is cleared, so its reports run only the manager's
// handlers (and no cycle runs through the ad and its wrapper).
//
// Main thread.

#include <memory>
#include <string>

#include "ads/mediation/GADMediatedAd.h"
#include "ads/native/GADMediatedNativeAdProtocol.h"

namespace ads {

class GADMediatedNativeAd : public GADMediatedAd {
  public:
    GADMediatedNativeAd(std::string adNetworkClassName,
                        std::shared_ptr<GADMediatedNativeAdProtocol> ad);

    const std::shared_ptr<GADMediatedNativeAdProtocol>& ad() const { return ad_; }
    void setAd(std::shared_ptr<GADMediatedNativeAdProtocol> ad) { ad_ = std::move(ad); }

    // The manager's handlers, then the network's delegate with the network's ad.
    void reportImpression() override;
    void reportClickOnAssetWithName(
        const std::string& assetName, const std::shared_ptr<platform::ui::View>& view,
        const std::shared_ptr<platform::ui::ViewController>& viewController);
    // Only the network's delegate.
    void reportMediatedAdRenderedInView(const std::shared_ptr<platform::ui::View>& view);

  private:
    std::shared_ptr<GADMediatedNativeAdDelegate> networkDelegate() const;

    std::shared_ptr<GADMediatedNativeAdProtocol> ad_;
};

}  // namespace ads
