#pragma once

// The program's ad slot (GADSlot) as a banner's slot. The banner talks to GADBannerViewSlot;
// the slot talks to its five delegates; this class stands between them, so neither has to
// know the other's shape and the slot stays one class for every kind of owner.
//
// Main thread only, like the slot. Who keeps whom: the banner keeps the adapter, the adapter
// keeps the slot; the slot holds the adapter weakly as each of its delegates, and the adapter
// holds the banner weakly. Once the banner has gone (or ended the slot), the slot is in its
// final state and whatever it would still say reaches nobody.
//
// Its public face is its maker's and the tests': the slot it keeps. Everything else it does
// for the banner or the slot is an override of their faces, private here.

#include <memory>
#include <optional>
#include <string>

#include "ads/foundation/GADAdMediationDelegate.h"
#include "ads/slot/GADBannerViewSlot.h"
#include "ads/slot/GADSlotDelegate.h"

namespace ads {

class GADSlot;

class GADBannerSlotAdapter : public GADBannerViewSlot,
                             public GADSlotDelegate,
                             public GADSlotAdLoadDelegate,
                             public GADSlotAdEventDelegate,
                             public GADSlotAdResponseDelegate,
                             public GADSlotAdKeyDelegate,
                             public GADAdMediationDelegate,
                             public std::enable_shared_from_this<GADBannerSlotAdapter> {
    struct Private {};

  public:
    // A new slot whose ad view has the banner's bounds, with this adapter as its delegates.
    static std::shared_ptr<GADBannerSlotAdapter> create(platform::Rect bounds);
    GADBannerSlotAdapter(Private, platform::Rect bounds);
    GADBannerSlotAdapter(const GADBannerSlotAdapter&) = delete;
    GADBannerSlotAdapter& operator=(const GADBannerSlotAdapter&) = delete;

    const std::shared_ptr<GADSlot>& slot() const { return slot_; }

  private:
    // The banner and the slot reach the adapter only through the faces it implements, so
    // these are private.

    // ---- What the banner asks of its slot (GADBannerViewSlot) ----
    void setBanner(std::weak_ptr<GADBannerView> banner) override { banner_ = std::move(banner); }
    void setReloadable(bool reloadable) override;
    std::optional<std::string> adUnitID() const override;
    void setAdUnitID(std::optional<std::string> adUnitID) override;
    std::optional<GADAdType> adType() const override;
    void setAdTypeAndReloadRequest(const GADAdType& adType, bool reload) override;
    void loadRequest(const std::shared_ptr<GADRequest>& request) override;
    std::shared_ptr<GADAdView> adView() const override;
    bool hasAutoRefreshed() const override;
    bool isMediating() const override;
    std::optional<std::string> adNetworkClassName() const override;
    void bannerDidMoveToWindow(platform::ui::Window* window) override;
    void scheduleAdReloadTimer() override;
    void endActiveViewReporting() override;
    void cancelPendingAndFutureActions() override;
    std::shared_ptr<GADSlot> adSlot() const override { return slot_; }

    // ---- What the slot asks of its owner (its delegates, GADAdMediationDelegate) ----
    GADRequestedAdType slotOwnerAdType() const override { return GADRequestedAdType::Banner; }
    std::optional<platform::Rect> frame() const override;
    std::optional<platform::Rect> bounds() const override;
    std::shared_ptr<platform::ui::View> swipeToViewControllerView() const override;
    std::shared_ptr<platform::ui::ViewController> rootViewController() const override;
    std::optional<platform::Value> coordinatesOfContentInScreen(
        const platform::ui::Screen& screen) const override;
    bool hasInAppPurchaseDelegate() const override;
    std::shared_ptr<GADInAppPurchaseDelegate> inAppPurchaseDelegate() const override;
    std::optional<bool> slotShouldLoadRequest(GADSlot& slot, const GADRequest& request) override;
    std::optional<bool> slotShouldReloadCurrentRequest(GADSlot& slot) override;
    void slotDidReceiveAdView(GADSlot& slot,
                              const std::shared_ptr<platform::ui::View>& view) override;
    void slotContentSizeDidChange(GADSlot& slot, platform::Size size) override;
    // The publisher's banner answers these (GADBannerView's defaults say "not implemented").
    std::optional<std::vector<GADBoxedValue>> validAdSizes() const override;
    void setAdSize(const GADAdSize& adSize, bool reload) override;
    void slotWillLoadAdWithRequest(GADSlot& slot, const GADRequest& request) override;
    std::optional<bool> slotShouldPreemptInProgressRequest(GADSlot& slot) override;
    void slotWillResizeToAdSize(GADSlot& slot, const GADAdSize& adSize) override;
    void slotDidReceiveAppEvent(GADSlot& slot, const std::string& name,
                                const std::optional<std::string>& info) override;
    std::optional<bool> slotNotifyPublisherToRenderCustomRenderingAd(
        GADSlot& slot, const std::shared_ptr<GADAd>& ad,
        std::optional<platform::Error>& error) override;
    std::optional<platform::Rect> frameInInterface() const override;

    void slotFinishedLoadingAdContent(GADSlot& slot) override;
    void slotDidFailToLoadAdContentWithError(GADSlot& slot, const GADRequestError& error) override;

    void slotWillPresentScreen(GADSlot& slot) override;
    void slotWillDismissScreen(GADSlot& slot) override;
    void slotDidDismissScreen(GADSlot& slot) override;
    void slotWillLeaveApplication(GADSlot& slot) override;

    bool slotShouldProcessAdResponse(GADSlot& slot, const std::shared_ptr<GADAd>& ad,
                                     std::optional<platform::Error>& error) override;
    // Makes this adapter the mediation delegate of the banner's mediated ads.
    bool slotShouldProcessMediatedAdResponse(GADSlot& slot, const std::shared_ptr<GADAd>& ad,
                                             std::optional<platform::Error>& error) override;
    std::string connectorClassForAd(const GADAd& ad) override;

    void cacheViewHierarchyInformationForSlot(GADSlot& slot) override;
    std::optional<platform::Value> viewHierarchyInformationForSlot(GADSlot& slot) override;

    std::shared_ptr<GADBannerView> banner() const { return banner_.lock(); }

    std::shared_ptr<GADSlot> slot_;
    std::weak_ptr<GADBannerView> banner_;
    // The slot starts with the interstitial type; a banner has none until it sets its size.
    bool hasAdType_ = false;
};

}  // namespace ads
