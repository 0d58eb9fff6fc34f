#pragma once

// What a connector offers its adapter: the network's credentials and the publisher's
// targeting, and the callbacks through which the adapter reports its ad, its failure and
// what the user does with the ad. Callbacks name the calling adapter, so a connector acts
// only for its own where that matters. Main thread only.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ads/mediation/GADMConnectorTargeting.h"
#include "platform/base/Error.h"
#include "platform/base/Value.h"

namespace platform::ui {
class View;
class ViewController;
}  // namespace platform::ui

namespace ads {

class GADMAdNetworkAdapterProtocol;

class GADMAdNetworkConnectorProtocol : public GADMConnectorTargeting {
  public:
    virtual ~GADMAdNetworkConnectorProtocol() = default;

    // What the adapter may read, besides the targeting every connector gives.
    virtual std::shared_ptr<platform::ui::ViewController> viewControllerForPresentingModalView()
        const = 0;

    // What the adapter reports.
    using Adapter = GADMAdNetworkAdapterProtocol;
    virtual void adapterDidFailAd(Adapter& adapter, const platform::Error& error) = 0;
    virtual void adapterDidReceiveAdView(Adapter& adapter,
                                         const std::shared_ptr<platform::ui::View>& view) = 0;
    virtual void adapterDidReceiveInterstitial(Adapter& adapter) = 0;
    // The network's native ad, opaque here (the native room knows its type).
    virtual void adapterDidReceiveMediatedNativeAd(Adapter& adapter,
                                                   const std::shared_ptr<void>& nativeAd) = 0;
    virtual void adapterDidGetAdClick(Adapter& adapter) = 0;
    virtual void adapterWillLeaveApplication(Adapter& adapter) = 0;
    virtual void adapterWillPresentFullScreenModal(Adapter& adapter) = 0;
    virtual void adapterWillDismissFullScreenModal(Adapter& adapter) = 0;
    virtual void adapterDidDismissFullScreenModal(Adapter& adapter) = 0;
    virtual void adapterWillPresentInterstitial(Adapter& adapter) = 0;
    virtual void adapterWillDismissInterstitial(Adapter& adapter) = 0;
    virtual void adapterDidDismissInterstitial(Adapter& adapter) = 0;
    // Older forms some adapters still send.
    virtual void adapterDidReceiveInterstitialObject(Adapter& adapter,
                                                     const std::shared_ptr<void>& interstitial) = 0;
    virtual void adapterClickDidOccurInBanner(Adapter& adapter,
                                              const std::shared_ptr<platform::ui::View>& view) = 0;
    virtual void adapterDidFailInterstitial(Adapter& adapter, const platform::Error& error) = 0;
};

}  // namespace ads
