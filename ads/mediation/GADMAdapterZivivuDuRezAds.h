#pragma once

// The adapter that lets a mediation waterfall use the SDK's own network: for each request it
// makes a fresh public ad object (a banner view, an interstitial, or a native request through
// the native room's hook) for the ad unit the network entry names ("pubid"), loads it with the
// connector's targeting, extras and mediation extras, and turns the object's delegate events
// into connector calls. A slot that did not mediate also reports this adapter's name as its
// ad network class.
//
// The inner banner never reloads by itself (a waterfall decides when the next ad comes) and
// shares the connector's root controller and auto-click protection. Clicks: the inner banner
// reports one before its will-present-screen and will-leave-application events are passed
// on; the inner interstitial reports its own clicks.
//
// Main thread only. The connector is held weakly; the adapter owns the objects of its last
// request and replaces them on the next; stopBeingDelegate (also run when it goes) silences
// them all, the native request included.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ads/foundation/GADApplication.h"
#include "ads/mediation/GADMAdNetworkAdapterProtocol.h"
#include "ads/mediation/GADMNativeAdapterHooks.h"
#include "ads/slot/GADBannerView.h"
#include "ads/slot/GADInterstitial.h"

namespace ads {

class GADRequest;

class GADMAdapterZivivuDuRezAds : public GADMAdNetworkAdapterProtocol,
                                  public GADBannerViewDelegate,
                                  public GADInterstitialDelegate,
                                  public GADInterstitialAdClickDelegate,
                                  public std::enable_shared_from_this<GADMAdapterZivivuDuRezAds> {
  public:
    static constexpr const char* kClassName = kGADOwnAdapterClassName;
    // The text of code 11 when the native room has not filled its hook.
    static constexpr const char* kInvalidNativeConnectorText =
        "Connector used GADMAdNetworkConnectorNativeAd isn't a valid connector for requesting "
        "native ad";

    // Puts the class into the class registry with its calls and class facts (the SDK's
    // version, GADExtras). Repeated calls change nothing.
    static void registerClass();
    static std::shared_ptr<GADMAdapterZivivuDuRezAds> create();
    ~GADMAdapterZivivuDuRezAds() override;

    // The request for the connector: its targeting, the network's extras and the adapter list.
    // nullptr once the connector is gone.
    std::shared_ptr<GADRequest> request() const;

    // GADMAdNetworkAdapterProtocol
    void initWithGADMAdNetworkConnector(
        std::weak_ptr<GADMAdNetworkConnectorProtocol> connector) override;
    void getBannerWithSize(const GADAdSize& size) override;
    void getInterstitial() override;
    void getNativeAdWithAdTypes(const std::vector<std::string>& adTypes,
                                const std::vector<std::shared_ptr<void>>& options) override;
    void stopBeingDelegate() override;
    bool isBannerAnimationOK(std::int64_t) override { return true; }
    void presentInterstitialFromRootViewController(
        const std::shared_ptr<platform::ui::ViewController>& root) override;
    void changeAdSizeTo(const GADAdSize& size) override;

    // The objects of the last requests.
    const std::shared_ptr<GADBannerView>& bannerView() const { return bannerView_; }
    const std::shared_ptr<GADInterstitial>& interstitial() const { return interstitial_; }
    const std::shared_ptr<void>& nativeRequestObject() const { return native_.object; }

    // GADBannerViewDelegate
    void adViewDidReceiveAd(GADBannerView& view) override;
    void adViewDidFailToReceiveAdWithError(GADBannerView& view,
                                           const platform::Error& error) override;
    void adViewWillPresentScreen(GADBannerView& view) override;
    void adViewWillDismissScreen(GADBannerView& view) override;
    void adViewDidDismissScreen(GADBannerView& view) override;
    void adViewWillLeaveApplication(GADBannerView& view) override;

    // GADInterstitialDelegate, GADInterstitialAdClickDelegate
    void interstitialDidReceiveAd(GADInterstitial& ad) override;
    void interstitialDidFailToReceiveAdWithError(GADInterstitial& ad,
                                                 const platform::Error& error) override;
    void interstitialWillPresentScreen(GADInterstitial& ad) override;
    void interstitialWillDismissScreen(GADInterstitial& ad) override;
    void interstitialDidDismissScreen(GADInterstitial& ad) override;
    void interstitialWillLeaveApplication(GADInterstitial& ad) override;
    void interstitialDidReceiveAdClick(GADInterstitial& ad) override;

  private:
    struct Private {};

  public:
    explicit GADMAdapterZivivuDuRezAds(Private) {}

  private:
    std::shared_ptr<GADMAdNetworkConnectorProtocol> connector() const { return connector_.lock(); }
    // The connector when the event comes from this adapter's current object.
    std::shared_ptr<GADMAdNetworkConnectorProtocol> connectorFor(const GADBannerView& view) const;
    std::shared_ptr<GADMAdNetworkConnectorProtocol> connectorFor(const GADInterstitial& ad) const;
    void stopNativeRequest();

    std::weak_ptr<GADMAdNetworkConnectorProtocol> connector_;
    std::shared_ptr<GADBannerView> bannerView_;
    std::shared_ptr<GADInterstitial> interstitial_;
    GADMNativeRequestHandle native_;
};

}  // namespace ads
