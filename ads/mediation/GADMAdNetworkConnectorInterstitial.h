#pragma once

// The connector of an interstitial network: asks the adapter for an interstitial and passes
// its arrival, failure and screen events on. A network that only reports the dismissal still
// produces will-dismiss before did-dismiss. Banner callbacks are ignored. Main thread only.

#include "ads/mediation/GADMAdNetworkConnector.h"

namespace ads {

class GADMAdNetworkConnectorInterstitial : public GADMAdNetworkConnector {
  public:
    static constexpr const char* kClassName = "GADMAdNetworkConnectorInterstitial";
    static void registerClass();

    const char* className() const override { return kClassName; }
    void getAdFromAdapterWithType(const GADAdType& type) override;
    bool calledWillDismissInterstitial() const { return calledWillDismissInterstitial_; }

  private:
    // GADMAdNetworkConnectorProtocol
    void adapterDidReceiveInterstitial(Adapter& adapter) override;
    void adapterDidFailAd(Adapter& adapter, const platform::Error& error) override;
    void adapterDidFailInterstitial(Adapter& adapter, const platform::Error& error) override {
        adapterDidFailAd(adapter, error);
    }
    void adapterWillPresentInterstitial(Adapter& adapter) override;
    void adapterWillDismissInterstitial(Adapter& adapter) override;
    void adapterDidDismissInterstitial(Adapter& adapter) override;
    void adapterWillLeaveApplication(Adapter& adapter) override;
    // Clicks come with leaving the application, not from banner callbacks.
    void adapterClickDidOccurInBanner(Adapter&,
                                      const std::shared_ptr<platform::ui::View>&) override {}

    bool calledWillDismissInterstitial_ = false;
};

}  // namespace ads
