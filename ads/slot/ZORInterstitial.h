#pragma once

// The publisher's interstitial: a GADInterstitial whose requests can be correlated with other
// ad views (the correlator is kept in its slot; a new one pre-empts a request in flight),
// whose ads may send app events or be handed to the publisher to render itself
// (ZORCustomRenderedAd). Once it has been offered a custom-rendered ad it never presents
// through the SDK again: presenting then only logs "Error: Custom ad rendering is enabled.
// Please present interstitial view from rootViewController manually." and shows nothing.
//
// Main thread only, like the interstitial. Delegates are weak.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "ads/slot/GADInterstitial.h"
#include "ads/slot/ZORCustomRenderedAd.h"
#include "ads/slot/ZORPublisherHooks.h"

namespace ads {

class GADAppEventDelegate;
class GADCorrelator;
class ZORInterstitial;

// Implemented by a publisher that renders its interstitial's ads itself.
class ZORCustomRenderedInterstitialDelegate {
  public:
    virtual ~ZORCustomRenderedInterstitialDelegate() = default;
    virtual void interstitialDidReceiveCustomRenderedAd(
        ZORInterstitial& interstitial, const std::shared_ptr<ZORCustomRenderedAd>& ad) = 0;
};

class ZORInterstitial : public GADInterstitial, public ZORCustomRenderedAdDelegate {
  public:
    static constexpr const char* kClassName = "ZORInterstitial";

    static std::shared_ptr<ZORInterstitial> create(
        std::optional<std::string> adUnitID = std::nullopt);
    explicit ZORInterstitial(Private p) : GADInterstitial(p) {}

    const std::shared_ptr<GADCorrelator>& correlator() const;
    void setCorrelator(std::shared_ptr<GADCorrelator> correlator);
    std::uint32_t previousCorrelationID() const { return hooks_.previousCorrelationID(); }
    bool isCustomAdRenderingEnabled() const { return customAdRenderingEnabled_; }

    void presentFromRootViewController(
        const std::shared_ptr<platform::ui::ViewController>& root) override;

    std::shared_ptr<GADAppEventDelegate> appEventDelegate() const {
        return appEventDelegate_.lock();
    }
    void setAppEventDelegate(std::weak_ptr<GADAppEventDelegate> d) { appEventDelegate_ = d; }
    std::shared_ptr<ZORCustomRenderedInterstitialDelegate> customRenderedInterstitialDelegate()
        const {
        return customRenderedDelegate_.lock();
    }
    void setCustomRenderedInterstitialDelegate(
        std::weak_ptr<ZORCustomRenderedInterstitialDelegate> d) {
        customRenderedDelegate_ = d;
    }

    // Slot-facing (GADSlotDelegate.h), on top of the interstitial's.
    void slotWillLoadAdWithRequest(GADSlot& slot, const GADRequest& request) override;
    std::optional<bool> slotShouldPreemptInProgressRequest(GADSlot& slot) override;
    void slotDidReceiveAppEvent(GADSlot& slot, const std::string& name,
                                const std::optional<std::string>& info) override;
    // Turns custom rendering on for good, then hands the ad to the custom-rendered delegate
    // (YES), or fails with code 12 without one.
    std::optional<bool> slotNotifyPublisherToRenderCustomRenderingAd(
        GADSlot& slot, const std::shared_ptr<GADAd>& ad,
        std::optional<platform::Error>& error) override;

    // What its custom-rendered ads report.
    void recordClick(ZORCustomRenderedAd& ad) override;
    void recordCustomAdImpression(ZORCustomRenderedAd& ad) override;
    void finishedRenderingAdView(ZORCustomRenderedAd& ad, platform::ui::View* view) override;

  private:
    ZORPublisherHooks hooks_;
    bool customAdRenderingEnabled_ = false;
    std::weak_ptr<GADAppEventDelegate> appEventDelegate_;
    std::weak_ptr<ZORCustomRenderedInterstitialDelegate> customRenderedDelegate_;
};

}  // namespace ads
