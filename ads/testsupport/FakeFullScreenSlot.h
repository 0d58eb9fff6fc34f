#pragma once

// A slot as the full-screen machinery sees it (GADFullScreenSlot), for tests of intermissions,
// full-screen controllers, presenters and proxies: it records the screen events it hears, in
// order, keeps its intermission weakly as a slot does, and has an ad's statistics dictionary;
// what the ad's screens ask of the ad is set by the test or recorded, and so are the opener's
// reports of clicks.

#include <memory>
#include <string>
#include <vector>

#include "ads/foundation/GADStatisticDictionary.h"
#include "ads/fullscreen/GADFullScreenSlot.h"
#include "platform/runtime/NotificationCenter.h"

namespace ads::testing {

class FakeFullScreenSlot : public GADFullScreenSlot {
  public:
    static std::shared_ptr<FakeFullScreenSlot> create() {
        return std::make_shared<FakeFullScreenSlot>();
    }

    void adWillPresentScreen() override { events.push_back("willPresent"); }
    void adWillDismissScreen() override { events.push_back("willDismiss"); }
    void adDidDismissScreen() override { events.push_back("didDismiss"); }
    std::shared_ptr<GADIntermission> intermission() const override { return intermission_.lock(); }
    void setIntermission(std::weak_ptr<GADIntermission> intermission) override {
        intermission_ = std::move(intermission);
    }
    const void* notificationObject() const override { return this; }
    std::shared_ptr<GADStatisticDictionary> currentAdStatistics() const override {
        return statistics;
    }

    std::shared_ptr<GADAdView> adView() const override { return adViewForScreens; }
    bool hasValidAd() const override { return validAd; }
    std::shared_ptr<void> publicAdObject() const override { return publicAd; }
    bool isMRAIDEnabled() const override { return mraidEnabled; }
    std::shared_ptr<GADMRAIDEventHandling> MRAIDEventHandler() const override {
        return mraidEvents;
    }
    bool isAdClick(platform::web::NavigationType) const override { return adClicks; }
    platform::Url gestureClickURLWithURL(const platform::Url& url) override {
        clickURLsAsked.push_back(url.absoluteString());
        return url;
    }
    void interstitialViewWillAppear() override { viewEvents.push_back("willAppear"); }
    void interstitialViewWillDisappear() override { viewEvents.push_back("willDisappear"); }
    void updateMRAIDVisibility(bool visible) override { visibility.push_back(visible); }
    void adWasClicked() override { clickLog.push_back("click"); }
    void adWillLeaveApplication() override { clickLog.push_back("leave"); }
    void willLeaveAppDueToClick() override { ++leftDueToClick; }
    void pingClickURLs() override { ++clickPings; }

    // As a slot posts it when its placement leaves its window.
    void postDidLeaveWindow() {
        platform::NotificationCenter::defaultCenter().post(kGADSlotDidLeaveWindowNotification,
                                                           this);
    }

    std::vector<std::string> events;
    std::shared_ptr<GADStatisticDictionary> statistics = GADStatisticDictionary::create();
    std::shared_ptr<GADAdView> adViewForScreens;
    bool validAd = false;
    std::shared_ptr<void> publicAd;
    bool mraidEnabled = false;
    // The ad's MRAID event handler (the opener's MRAID errors go there).
    std::shared_ptr<GADMRAIDEventHandling> mraidEvents;
    // What isAdClick answers, and the links the screens asked to turn into click URLs.
    bool adClicks = false;
    std::vector<std::string> clickURLsAsked;
    std::vector<std::string> viewEvents;
    std::vector<bool> visibility;
    // The opener's reports: "click" and "leave", in order.
    std::vector<std::string> clickLog;
    int leftDueToClick = 0;
    int clickPings = 0;

  private:
    std::weak_ptr<GADIntermission> intermission_;
};

}  // namespace ads::testing
