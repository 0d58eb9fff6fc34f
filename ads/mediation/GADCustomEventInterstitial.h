#pragma once

// A publisher's interstitial custom event and what it reports. The SDK sets itself as the
// delegate (held weakly), asks for one interstitial and, once it has arrived, asks the object
// to present it. Main thread; after the SDK clears the delegate the object has no one to tell.

#include <memory>
#include <optional>
#include <string>

#include "ads/mediation/GADCustomEvent.h"
#include "platform/base/Error.h"

namespace platform::ui {
class ViewController;
}

namespace ads {

class GADCustomEventInterstitial;
class GADCustomEventRequest;

class GADCustomEventInterstitialDelegate {
  public:
    virtual ~GADCustomEventInterstitialDelegate() = default;

    virtual void customEventInterstitialDidReceiveAd(GADCustomEventInterstitial& interstitial) = 0;
    // The older form of the arrival, naming the network's ad object.
    virtual void customEventInterstitialDidReceiveAdObject(GADCustomEventInterstitial& interstitial,
                                                           const std::shared_ptr<void>& ad) = 0;
    virtual void customEventInterstitialDidFailAd(GADCustomEventInterstitial& interstitial,
                                                  const platform::Error& error) = 0;
    virtual void customEventInterstitialWasClicked(GADCustomEventInterstitial& interstitial) = 0;
    virtual void customEventInterstitialWillPresent(GADCustomEventInterstitial& interstitial) = 0;
    virtual void customEventInterstitialWillDismiss(GADCustomEventInterstitial& interstitial) = 0;
    virtual void customEventInterstitialDidDismiss(GADCustomEventInterstitial& interstitial) = 0;
    virtual void customEventInterstitialWillLeaveApplication(
        GADCustomEventInterstitial& interstitial) = 0;
};

class GADCustomEventInterstitial : public virtual GADCustomEvent {
  public:
    static constexpr const char* kProtocolName = "GADCustomEventInterstitial";

    // `parameter` and `label` are the entry's credentials of those names, absent when missing.
    virtual void requestInterstitialAdWithParameter(
        const std::optional<std::string>& parameter, const std::optional<std::string>& label,
        const std::shared_ptr<const GADCustomEventRequest>& request) = 0;
    virtual void presentFromRootViewController(
        const std::shared_ptr<platform::ui::ViewController>& root) = 0;

    virtual std::shared_ptr<GADCustomEventInterstitialDelegate> delegate() const {
        return delegate_.lock();
    }
    virtual void setDelegate(std::weak_ptr<GADCustomEventInterstitialDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

  private:
    std::weak_ptr<GADCustomEventInterstitialDelegate> delegate_;
};

}  // namespace ads
