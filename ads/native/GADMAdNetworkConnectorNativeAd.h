#pragma once

// The connector of a network asked for a native ad: it asks the adapter for an ad of the
// loader's ad types with the loader's options and hands what the network delivers to the
// manager as a GADMediatedNativeAd named after the adapter's class. It lives in the native
// room because it knows the loader's configuration and the wrapper; the manager finds it by
// its registered name, which the loader gives as the connector class of its ads.
//
// The options reach the adapter as opaque pointers, each a GADAdLoaderOptions; the network's
// ad comes back opaque, a GADMediatedNativeAdProtocol. Main thread only.

#include <memory>

#include "ads/mediation/GADMAdNetworkConnector.h"
#include "ads/mediation/GADMNativeAdapterHooks.h"

namespace ads {

class GADAdLoaderConfiguration;

class GADMAdNetworkConnectorNativeAd : public GADMAdNetworkConnector {
  public:
    static constexpr const char* kClassName = kGADMNativeConnectorClassName;
    static void registerClass();

    const char* className() const override { return kClassName; }
    // Takes a GADAdLoaderConfiguration.
    void setAdLoaderConfiguration(std::shared_ptr<void> configuration) override;
    const std::shared_ptr<const GADAdLoaderConfiguration>& adLoaderConfiguration() const {
        return adLoaderConfiguration_;
    }
    void getAdFromAdapterWithType(const GADAdType& type) override;

  private:
    // GADMAdNetworkConnectorProtocol
    // Any adapter's ad counts (a network may answer through a helper object).
    void adapterDidReceiveMediatedNativeAd(Adapter& adapter,
                                           const std::shared_ptr<void>& nativeAd) override;
    void adapterDidFailAd(Adapter& adapter, const platform::Error& error) override;

    std::shared_ptr<const GADAdLoaderConfiguration> adLoaderConfiguration_;
};

}  // namespace ads
