#pragma once

// The connector of a banner network: asks the adapter for a banner of the pass's size and
// passes its view, failures and full-screen events on. A network that answers more than once
// refreshes by itself; that is noted for its pings and for the manager. Interstitial
// callbacks are ignored. Main thread only.

#include "ads/mediation/GADMAdNetworkConnector.h"

namespace ads {

class GADMAdNetworkConnectorBanner : public GADMAdNetworkConnector {
  public:
    static constexpr const char* kClassName = "GADMAdNetworkConnectorBanner";
    static void registerClass();

    const char* className() const override { return kClassName; }
    void getAdFromAdapterWithType(const GADAdType& type) override;
    bool didNetworkReturn() const { return didNetworkReturn_; }

  private:
    // GADMAdNetworkConnectorProtocol
    void adapterDidReceiveAdView(Adapter& adapter,
                                 const std::shared_ptr<platform::ui::View>& view) override;
    void adapterDidFailAd(Adapter& adapter, const platform::Error& error) override;
    void adapterWillPresentFullScreenModal(Adapter& adapter) override;
    void adapterWillDismissFullScreenModal(Adapter& adapter) override;
    void adapterDidDismissFullScreenModal(Adapter& adapter) override;
    void adapterWillLeaveApplication(Adapter& adapter) override;

    bool didNetworkReturn_ = false;
};

}  // namespace ads
