#pragma once

// The interstitial between games: keeps at most one full-screen ad loaded in advance, decides
// at each show opportunity whether to show it, and runs the opportunity's continuation once
// the ad has been dismissed or at once when nothing is shown. Three server settings steer it:
// "durezInterstitialAdPublisherId" (the ad unit; none: no ads), "durezInterstitialAdContextFlag"
// (a bit mask of the opportunities that may show one) and "durezInterstitialAdInterval" (least
// seconds between the last show or dismissal and the next show).
//
// Main thread only. Owned by the announcement manager, which is its host; the ad holds it
// weakly as its delegate. Decisions read the settings first and run continuations after, so
// a continuation may start the next opportunity or ask for the next ad.

#include <functional>
#include <memory>
#include <string>

#include "online/AnnounceInterstitialAd.h"

namespace online {

class AnnounceHost;

class AnnounceInterstitial : public AnnounceInterstitialAdDelegate,
                             public std::enable_shared_from_this<AnnounceInterstitial> {
    struct Private {};

  public:
    // A load that has not answered after this many seconds is given up for a new one.
    static constexpr double kLoadTimeLimit = 600;

    static std::shared_ptr<AnnounceInterstitial> create(AnnounceHost& host,
                                                        AnnounceInterstitialAdFactory factory);
    AnnounceInterstitial(Private, AnnounceHost& host, AnnounceInterstitialAdFactory factory);
    AnnounceInterstitial(const AnnounceInterstitial&) = delete;
    AnnounceInterstitial& operator=(const AnnounceInterstitial&) = delete;

    // Makes sure an ad is loaded or loading when the settings name an ad unit.
    void requestInterstitialAd();
    // The interstitial part of a show opportunity (context 1, 2 or 4); `onDone` runs exactly
    // once: after the dismissal when an ad is shown, else at once.
    void showInterstitualAdSub(int context, std::function<void()> onDone);
    // An ad is on screen (or its presentation has not yet answered).
    bool interstitialAdPresenting() const { return presenting_; }
    // "null", or "istAd(ready=1 used=0 loading=0)" for the log lines.
    std::string istAdStatus() const;

    void interstitialDidReceiveAd(AnnounceInterstitialAd& ad) override;
    void interstitialDidFailToReceiveAdWithError(AnnounceInterstitialAd& ad,
                                                 const platform::Error& error) override;
    void interstitialDidDismissScreen(AnnounceInterstitialAd& ad) override;
    void interstitialWillLeaveApplication(AnnounceInterstitialAd&) override {}

  private:
    void callOnDoneInterstitualAd();
    void updateInterstitualAdShownAt();
    void removeInterstitialAd();
    void log(const char* caller, const std::string& text) const;

    AnnounceHost& host_;
    AnnounceInterstitialAdFactory factory_;
    std::shared_ptr<AnnounceInterstitialAd> interstitialAd_;
    // Seconds since 1970: the last show or dismissal (0: never), the current ad's request.
    double interstitialAdShownAt_ = 0;
    double shownAtBeforePresenting_ = 0;
    double interstitialAdRequestAt_ = 0;
    bool presenting_ = false;
    bool loading_ = false;
    std::function<void()> onDoneInterstitualAd_;
};

}  // namespace online
