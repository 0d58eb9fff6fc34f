#pragma once

// An interstitial whose answers the test gives, and a factory that keeps every one it made,
// so a test drives the announcement manager's interstitial through loads, failures,
// presentations and dismissals without the ads SDK. It records what it was asked.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "online/AnnounceInterstitialAd.h"

namespace online::testing {

class ScriptedInterstitialAd : public AnnounceInterstitialAd {
  public:
    explicit ScriptedInterstitialAd(std::string adUnitId) : adUnitId(std::move(adUnitId)) {}

    void setDelegate(std::weak_ptr<AnnounceInterstitialAdDelegate> delegate) override {
        delegate_ = std::move(delegate);
    }
    void loadRequest() override;
    bool isReady() const override { return ready; }
    bool hasBeenUsed() const override { return used; }
    // Used from now on; answers with refusalCode at once when one is set.
    void presentFromRootViewController(
        const std::shared_ptr<platform::ui::ViewController>& root) override;

    // The answers, each to the delegate of the moment (none once the manager let go).
    void receive();
    void fail(int code, const std::string& text = "scripted failure");
    void dismiss();
    bool hasDelegate() const { return !delegate_.expired(); }

    const std::string adUnitId;
    int loads = 0;
    int presentations = 0;
    bool ready = false;
    bool used = false;
    std::shared_ptr<platform::ui::ViewController> presentedFrom;
    // A presentation the SDK refuses: the failure comes from inside the call.
    std::optional<int> refusalCode;

  private:
    std::weak_ptr<AnnounceInterstitialAdDelegate> delegate_;
};

class ScriptedInterstitialAds {
  public:
    // Makes a ScriptedInterstitialAd per call and keeps it; the factory must not outlive this.
    AnnounceInterstitialAdFactory factory();
    std::size_t count() const { return made_.size(); }
    ScriptedInterstitialAd& last() { return *made_.back(); }
    ScriptedInterstitialAd& at(std::size_t i) { return *made_.at(i); }
    // Runs inside the factory, before the new ad is handed out (order checks).
    std::function<void(const std::string& adUnitId)> onMake;

  private:
    std::vector<std::shared_ptr<ScriptedInterstitialAd>> made_;
};

}  // namespace online::testing
