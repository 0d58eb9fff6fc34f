#pragma once

// The publisher's banner: a GADBannerView whose requests can be correlated with other ad views
// (a shared GADCorrelator; a new correlator pre-empts a request still in flight), whose ads
// may send app events, announce one of a list of valid sizes, have their impressions counted
// by the publisher (manual impressions), or be handed to the publisher to render itself
// (custom rendering, ZORCustomRenderedAd). The correlator and the manual-impression switch are
// kept in the banner's slot, which sends them with each request ("correlation_id",
// "d_imp_hdr"), with the valid sizes as "sz".
//
// Main thread only, like the banner. Delegates are weak. Without the program's ad slot (a
// test's scripted slot) the correlator, manual impressions and custom rendering do nothing.

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "ads/slot/GADBannerView.h"
#include "ads/slot/ZORCustomRenderedAd.h"
#include "ads/slot/ZORPublisherHooks.h"

namespace ads {

class GADAdSizeDelegate;
class GADAppEventDelegate;
class GADCorrelator;
class ZORBannerView;

// Implemented by a publisher that renders its banner's ads itself.
class ZORCustomRenderedBannerViewDelegate {
  public:
    virtual ~ZORCustomRenderedBannerViewDelegate() = default;
    virtual void bannerViewDidReceiveCustomRenderedAd(
        ZORBannerView& banner, const std::shared_ptr<ZORCustomRenderedAd>& ad) = 0;
};

class ZORBannerView : public GADBannerView, public ZORCustomRenderedAdDelegate {
  public:
    static constexpr const char* kClassName = "ZORBannerView";

    // nullptr (with a log line) for a size no placement can show, or without a slot.
    static std::shared_ptr<ZORBannerView> create(const GADAdSize& adSize);
    static std::shared_ptr<ZORBannerView> create(platform::Rect frame, const GADAdSize& adSize);
    ZORBannerView(Private p, platform::Rect frame) : GADBannerView(p, frame) {}

    const char* className() const override { return kClassName; }

    std::shared_ptr<GADCorrelator> correlator() const;
    void setCorrelator(std::shared_ptr<GADCorrelator> correlator);
    bool enableManualImpressions() const;
    void setEnableManualImpressions(bool enabled);
    // The correlation id the last request started with (0: none yet, or no correlator).
    std::uint32_t previousCorrelationID() const { return hooks_.previousCorrelationID(); }

    // Takes the size without reloading the ad.
    void resize(const GADAdSize& adSize);
    // Pings the shown ad's manual impression URLs.
    void recordImpression();
    // The sizes an ad may announce, in order (an empty list allows none).
    void setValidAdSizes(const std::vector<GADAdSize>& sizes);

    std::shared_ptr<GADAppEventDelegate> appEventDelegate() const {
        return appEventDelegate_.lock();
    }
    void setAppEventDelegate(std::weak_ptr<GADAppEventDelegate> d) { appEventDelegate_ = d; }
    std::shared_ptr<GADAdSizeDelegate> adSizeDelegate() const { return adSizeDelegate_.lock(); }
    void setAdSizeDelegate(std::weak_ptr<GADAdSizeDelegate> d) { adSizeDelegate_ = d; }
    std::shared_ptr<ZORCustomRenderedBannerViewDelegate> customRenderedBannerViewDelegate() const {
        return customRenderedDelegate_.lock();
    }
    void setCustomRenderedBannerViewDelegate(std::weak_ptr<ZORCustomRenderedBannerViewDelegate> d) {
        customRenderedDelegate_ = d;
    }

    // ---- What the slot asks (GADBannerView's publisher block) ----
    std::optional<std::vector<GADBoxedValue>> validAdSizes() const override {
        return validAdSizes_;
    }
    void slotWillLoadAdWithRequest(GADSlot& slot) override;
    std::optional<bool> slotShouldPreemptInProgressRequest(GADSlot& slot) override;
    void slotDidReceiveAppEvent(const std::string& name,
                                const std::optional<std::string>& info) override;
    void slotWillResizeToAdSize(const GADAdSize& adSize) override;
    // Hands the ad to the custom-rendered delegate (YES), or fails with code 12 without one.
    std::optional<bool> slotNotifyPublisherToRenderCustomRenderingAd(
        GADSlot& slot, const std::shared_ptr<GADAd>& ad,
        std::optional<platform::Error>& error) override;

    // ---- What its custom-rendered ads report ----
    void recordClick(ZORCustomRenderedAd& ad) override;
    void recordCustomAdImpression(ZORCustomRenderedAd& ad) override;
    void finishedRenderingAdView(ZORCustomRenderedAd& ad, platform::ui::View* view) override;

  private:
    std::shared_ptr<GADSlot> adSlot() const;

    ZORPublisherHooks hooks_;
    std::optional<std::vector<GADBoxedValue>> validAdSizes_;
    std::weak_ptr<GADAppEventDelegate> appEventDelegate_;
    std::weak_ptr<GADAdSizeDelegate> adSizeDelegate_;
    std::weak_ptr<ZORCustomRenderedBannerViewDelegate> customRenderedDelegate_;
};

}  // namespace ads
