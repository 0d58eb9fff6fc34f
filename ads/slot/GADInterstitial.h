#pragma once

// The public full-screen ad. The app makes one per ad unit, loads it, waits for
// interstitialDidReceiveAd (or polls isReady) and presents it once from a controller of its
// own; a new interstitial is needed for the next ad. It owns one ad slot sized to the portrait
// screen, never reloaded by a timer, and the full-screen controller that shows the slot's page
// with a close button. Slot events reach GADInterstitialDelegate on the main thread.
//
// Once presented it is used: loading or presenting again tells the delegate code 6 ("already
// used") as a load failure and does nothing else. The impression is counted when the ad goes
// on screen, not when it has loaded. A presentation that puts nothing on screen (no root
// controller, a presenter that is not ready, an exception while presenting) ends in code 11,
// so an app that waits for a dismissal goes on; presenting before the ad is ready only logs
// "Cannot present interstitial. It is not ready.".
//
// Main thread only; the slot's load results may arrive from elsewhere and reach the delegate
// on the main loop. Who keeps whom: the app keeps the interstitial, the interstitial its slot;
// the slot holds the interstitial weakly, the screen keeps it while up, so an app that drops
// it right after presenting still hears the dismissal. Delegates are weak. Once it goes its
// slot is ended for good.

#include <memory>
#include <optional>
#include <string>

#include "ads/foundation/GADAdMediationDelegate.h"
#include "ads/slot/GADSlotDelegate.h"
#include "platform/base/Error.h"

namespace platform::ui {
class ViewController;
}

namespace ads {

class GADInAppPurchaseDelegate;
class GADInterstitial;
class GADInterstitialViewController;
class GADRequest;
class GADSlot;

// Every call is optional: the defaults do nothing.
class GADInterstitialDelegate {
  public:
    virtual ~GADInterstitialDelegate() = default;
    virtual void interstitialDidReceiveAd(GADInterstitial& ad) { (void)ad; }
    // The error is a request error (domain "com.zivivu.ads").
    virtual void interstitialDidFailToReceiveAdWithError(GADInterstitial& ad,
                                                         const platform::Error& error) {
        (void)ad;
        (void)error;
    }
    virtual void interstitialWillPresentScreen(GADInterstitial& ad) { (void)ad; }
    virtual void interstitialWillDismissScreen(GADInterstitial& ad) { (void)ad; }
    virtual void interstitialDidDismissScreen(GADInterstitial& ad) { (void)ad; }
    virtual void interstitialWillLeaveApplication(GADInterstitial& ad) { (void)ad; }
};

// A delegate that also derives from this hears of each click on the ad; others hear nothing.
class GADInterstitialAdClickDelegate {
  public:
    virtual ~GADInterstitialAdClickDelegate() = default;
    virtual void interstitialDidReceiveAdClick(GADInterstitial& ad) = 0;
};

class GADInterstitial : public GADSlotDelegate,
                        public GADSlotAdLoadDelegate,
                        public GADSlotAdEventDelegate,
                        public GADSlotAdResponseDelegate,
                        public GADAdMediationDelegate,
                        public std::enable_shared_from_this<GADInterstitial> {
  protected:
    // Subclasses (the publisher's interstitial) are made like the interstitial, then set up.
    struct Private {};
    void setUp(std::optional<std::string> adUnitID);

  public:
    static constexpr const char* kClassName = "GADInterstitial";

    // Without an id the app gives one later with setAdUnitID.
    static std::shared_ptr<GADInterstitial> create(
        std::optional<std::string> adUnitID = std::nullopt);
    explicit GADInterstitial(Private);
    ~GADInterstitial() override;
    GADInterstitial(const GADInterstitial&) = delete;
    GADInterstitial& operator=(const GADInterstitial&) = delete;

    // Known to the class registry by name (made without an ad unit).
    static void registerClass();

    std::optional<std::string> adUnitID() const;
    void setAdUnitID(std::string adUnitID);
    std::shared_ptr<GADInterstitialDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<GADInterstitialDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    std::shared_ptr<GADInAppPurchaseDelegate> inAppPurchaseDelegate() const {
        return inAppPurchaseDelegate_.lock();
    }
    void setInAppPurchaseDelegate(std::weak_ptr<GADInAppPurchaseDelegate> delegate) {
        inAppPurchaseDelegate_ = std::move(delegate);
    }
    bool hasBeenUsed() const { return hasBeenUsed_; }

    // nullptr loads with an empty request.
    void loadRequest(const std::shared_ptr<GADRequest>& request);
    // Exactly while the slot holds a valid ad.
    bool isReady() const;
    virtual void presentFromRootViewController(
        const std::shared_ptr<platform::ui::ViewController>& root);
    std::optional<std::string> adNetworkClassName() const;
    // The slot stops for good: nothing loads or reaches the delegate afterwards.
    void cancel();

    // Whether a presentation may go ahead now: used (code 6 to the delegate), then ready (only
    // a log line), then an ad that cannot show in the window's orientations (code 13, the ad is
    // dropped).
    bool canPresentFullScreen();
    // Logs the error's text and fails the slot's load with it (the delegate hears it).
    void sendInterstitialError(const GADRequestError& error);

    // The slot and the screen, for those who build on the interstitial (the game's tests).
    const std::shared_ptr<GADSlot>& slot() const { return slot_; }

    // Slot-facing (GADSlotDelegate.h).
    GADRequestedAdType slotOwnerAdType() const override { return GADRequestedAdType::Interstitial; }
    std::optional<platform::Value> coordinatesOfContentInScreen(
        const platform::ui::Screen& screen) const override;
    bool hasInAppPurchaseDelegate() const override { return !inAppPurchaseDelegate_.expired(); }
    std::optional<bool> slotShouldLoadRequest(GADSlot&, const GADRequest&) override;
    std::optional<bool> slotShouldReloadCurrentRequest(GADSlot&) override { return false; }
    void slotDidReceiveAdClick(GADSlot&) override;
    void slotFinishedLoadingAdContent(GADSlot&) override;
    void slotDidFailToLoadAdContentWithError(GADSlot&, const GADRequestError& error) override;
    void slotWillPresentScreen(GADSlot&) override;
    void slotWillDismissScreen(GADSlot&) override;
    void slotDidDismissScreen(GADSlot&) override;
    void slotWillLeaveApplication(GADSlot&) override;
    bool slotShouldProcessAdResponse(GADSlot&, const std::shared_ptr<GADAd>& ad,
                                     std::optional<platform::Error>& error) override;
    // A mediated interstitial names the interstitial connector; the network presents it.
    bool slotShouldProcessMediatedAdResponse(GADSlot&, const std::shared_ptr<GADAd>& ad,
                                             std::optional<platform::Error>& error) override;
    std::string connectorClassForAd(const GADAd& ad) override;

  private:
    // The ad's orientations share one with those the app allows for the ad view's window.
    bool adViewSupports(unsigned orientations) const;
    void markUsed();
    // Code 6 to the delegate as a load failure, with its log line.
    void reportUsed();
    void onMainThread(void (*event)(GADInterstitial&));

    std::optional<GADRequestError> alreadyUsedError_;
    bool hasBeenUsed_ = false;
    // The app has heard the did-dismiss of the presentation.
    bool dismissed_ = false;
    std::weak_ptr<GADInterstitialDelegate> delegate_;
    std::weak_ptr<GADInAppPurchaseDelegate> inAppPurchaseDelegate_;
    std::shared_ptr<GADInterstitialViewController> viewController_;
    std::shared_ptr<GADSlot> slot_;
};

}  // namespace ads
