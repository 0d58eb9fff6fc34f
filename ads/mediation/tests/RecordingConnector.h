#pragma once

// A connector that is no network connector: it answers what a test sets and writes down what
// its adapter reports, in order, as "view", "interstitial", "native", "click", "leave",
// "willPresentModal", "willDismissModal", "didDismissModal", "willPresent", "willDismiss",
// "didDismiss" and "fail:<domain>:<code>:<text>".

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ads/mediation/GADMAdNetworkConnectorProtocol.h"

namespace ads::testing {

class RecordingConnector : public GADMAdNetworkConnectorProtocol {
  public:
    std::optional<std::string> publisherId() const override { return pubid; }
    platform::Value::Dictionary credentials() const override { return data; }
    bool testMode() const override { return false; }
    std::shared_ptr<const GADAdNetworkExtras> networkExtras() const override { return extras; }
    std::shared_ptr<platform::ui::ViewController> viewControllerForPresentingModalView()
        const override {
        return root;
    }
    std::optional<bool> childDirectedTreatment() const override { return std::nullopt; }
    std::int64_t userGender() const override { return 0; }
    std::optional<platform::Date> userBirthday() const override { return std::nullopt; }
    bool userHasLocation() const override { return false; }
    double userLatitude() const override { return 0; }
    double userLongitude() const override { return 0; }
    double userLocationAccuracyInMeters() const override { return 0; }
    std::optional<std::string> userLocationDescription() const override { return std::nullopt; }
    std::optional<std::vector<std::string>> userKeywords() const override { return std::nullopt; }

    void adapterDidFailAd(Adapter&, const platform::Error& e) override {
        log.push_back("fail:" + e.domain + ":" + std::to_string(e.code) + ":" +
                      e.localizedDescription());
    }
    void adapterDidReceiveAdView(Adapter&, const std::shared_ptr<platform::ui::View>& v) override {
        views.push_back(v);
        log.push_back("view");
    }
    void adapterDidReceiveInterstitial(Adapter&) override { log.push_back("interstitial"); }
    void adapterDidReceiveMediatedNativeAd(Adapter&, const std::shared_ptr<void>&) override {
        log.push_back("native");
    }
    void adapterDidGetAdClick(Adapter&) override { log.push_back("click"); }
    void adapterWillLeaveApplication(Adapter&) override { log.push_back("leave"); }
    void adapterWillPresentFullScreenModal(Adapter&) override { log.push_back("willPresentModal"); }
    void adapterWillDismissFullScreenModal(Adapter&) override { log.push_back("willDismissModal"); }
    void adapterDidDismissFullScreenModal(Adapter&) override { log.push_back("didDismissModal"); }
    void adapterWillPresentInterstitial(Adapter&) override { log.push_back("willPresent"); }
    void adapterWillDismissInterstitial(Adapter&) override { log.push_back("willDismiss"); }
    void adapterDidDismissInterstitial(Adapter&) override { log.push_back("didDismiss"); }
    void adapterDidReceiveInterstitialObject(Adapter&, const std::shared_ptr<void>&) override {
        log.push_back("interstitial");
    }
    void adapterClickDidOccurInBanner(Adapter&,
                                      const std::shared_ptr<platform::ui::View>&) override {
        log.push_back("click");
    }
    void adapterDidFailInterstitial(Adapter& a, const platform::Error& e) override {
        adapterDidFailAd(a, e);
    }

    std::optional<std::string> pubid = "inner-unit";
    platform::Value::Dictionary data;
    std::shared_ptr<const GADAdNetworkExtras> extras;
    std::shared_ptr<platform::ui::ViewController> root;
    std::vector<std::string> log;
    std::vector<std::shared_ptr<platform::ui::View>> views;
};

}  // namespace ads::testing
