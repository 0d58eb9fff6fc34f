#pragma once

// The built-in adapter of custom events: the publisher's own class, named by the network
// entry's "class_name", serves the waterfall's request. The adapter looks the class up in the
// class registry, checks that it declares the format's protocol before making an instance (a
// class that cannot serve the format is never made), hands it the entry's "parameter" and
// "label" with a GADCustomEventRequest, and relays what the object reports to the connector;
// both forms of the clicks and of the interstitial's arrival lead to the same connector call.
// Native requests go to the native room through its hook (nativeAdapterHooks().customEvent).
//
// Its own failures are errors of domain kErrorDomain, code kErrorCode, with a text saying
// what was wrong; a missing or unknown class and a class of the wrong format are also logged
// for the app's developer. Errors the publisher's object reports pass through unchanged.
//
// Main thread only. The adapter keeps the publisher's objects and is their delegate until
// stopBeingDelegate; after that nothing they report reaches the connector.

#include <memory>
#include <optional>
#include <string>

#include "ads/mediation/GADCustomEventBanner.h"
#include "ads/mediation/GADCustomEventInterstitial.h"
#include "ads/mediation/GADMAdNetworkAdapterProtocol.h"
#include "ads/mediation/GADMNativeAdapterHooks.h"

namespace ads {

class GADMAdapterCustomEvents : public GADMAdNetworkAdapterProtocol,
                                public GADCustomEventBannerDelegate,
                                public GADCustomEventInterstitialDelegate,
                                public std::enable_shared_from_this<GADMAdapterCustomEvents> {
  public:
    static constexpr const char* kClassName = "GADMAdapterCustomEvents";
    static constexpr const char* kErrorDomain = "ad_mediation";
    static constexpr int kErrorCode = 1;
    // Registers the class, the calls it answers and its class facts (the SDK's version, the
    // extras class GADCustomEventExtras).
    static void registerClass();
    // What a configuration naming a class the registry cannot make hears (and the log shows).
    static std::string classNotFoundText(const std::string& className) {
        return "Cannot find Custom Event class named " + className + ".";
    }

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
    std::optional<std::string> adapterVersion() const override;

    // GADCustomEventBannerDelegate
    void customEventBannerDidReceiveAd(GADCustomEventBanner& banner,
                                       const std::shared_ptr<platform::ui::View>& view) override;
    void customEventBannerDidFailAd(GADCustomEventBanner& banner,
                                    const platform::Error& error) override;
    void customEventBannerWasClicked(GADCustomEventBanner& banner) override;
    void customEventBannerWillPresentModal(GADCustomEventBanner& banner) override;
    void customEventBannerWillDismissModal(GADCustomEventBanner& banner) override;
    void customEventBannerDidDismissModal(GADCustomEventBanner& banner) override;
    void customEventBannerWillLeaveApplication(GADCustomEventBanner& banner) override;
    void customEventBannerClickDidOccurInAd(
        GADCustomEventBanner& banner, const std::shared_ptr<platform::ui::View>& view) override;
    std::shared_ptr<platform::ui::ViewController> viewControllerForPresentingModalView()
        const override;

    // GADCustomEventInterstitialDelegate
    void customEventInterstitialDidReceiveAd(GADCustomEventInterstitial& interstitial) override;
    void customEventInterstitialDidReceiveAdObject(GADCustomEventInterstitial& interstitial,
                                                   const std::shared_ptr<void>& ad) override;
    void customEventInterstitialDidFailAd(GADCustomEventInterstitial& interstitial,
                                          const platform::Error& error) override;
    void customEventInterstitialWasClicked(GADCustomEventInterstitial& interstitial) override;
    void customEventInterstitialWillPresent(GADCustomEventInterstitial& interstitial) override;
    void customEventInterstitialWillDismiss(GADCustomEventInterstitial& interstitial) override;
    void customEventInterstitialDidDismiss(GADCustomEventInterstitial& interstitial) override;
    void customEventInterstitialWillLeaveApplication(
        GADCustomEventInterstitial& interstitial) override;

    const std::shared_ptr<GADCustomEventBanner>& customEventBanner() const {
        return customEventBanner_;
    }
    const std::shared_ptr<GADCustomEventInterstitial>& customEventInterstitial() const {
        return customEventInterstitial_;
    }

  private:
    // The publisher's class of the credentials' "class_name", made only when it declares
    // `protocol`; nullptr when it cannot be made, after the failure was reported.
    template <typename Protocol>
    std::shared_ptr<Protocol> customEventWithCredentials();
    // The credentials' class name when the registry knows it; else the failure is reported.
    std::optional<std::string> customEventClassName();
    // An error of this adapter's domain to the connector, logged when `log` says so.
    void callBackToConnectorWithError(const std::string& text, bool log);
    // Runs `relay` with the connector when the sender is the object of the current request and
    // the adapter is still its delegate.
    template <typename Relay>
    void relayIf(bool fromCurrentObject, Relay relay);
    // Clears the delegates of the publisher's objects (and stops the native one's callbacks).
    void releaseCustomEvents();
    // Lets go of the objects of an earlier request: only the new one is heard.
    void startRequest();

    std::weak_ptr<GADMAdNetworkConnectorProtocol> connector_;
    std::shared_ptr<GADCustomEventBanner> customEventBanner_;
    std::shared_ptr<GADCustomEventInterstitial> customEventInterstitial_;
    GADMNativeRequestHandle customEventNativeAd_;
    bool stopped_ = false;
};

}  // namespace ads
