#pragma once

// The ad banner of the game-over screen: either the ads library's banner (GADBannerView) or the
// platform's own ad banner (SystemAdBannerView), chosen afresh at each refresh by the server
// setting "durezEnable" that comes with the announcement list:
//   0 (or no settings)  no banner, nothing is made;
//   1                   the ads library's banner only;
//   2 and above         the platform's banner only (3: the library's banner when it fails).
// A banner is kept between showings; a new one is made only at a showing that comes at least
// "durezRefreshInterval" seconds (default 60) after the last ad arrived.
//
// The library's banner is 320 x 50 at (0, 0) of the content view it was shown in, added there
// only once an ad has arrived; the platform's banner goes into the owner controller's view.
// This platform has no provider for its own ad banner: it fails on a later main-loop turn, so
// with 2 no banner shows, and with 3 the library's banner takes over at once while the screen
// shows, else at the next refresh.
//
// Main thread only; both banners call their delegates on the main thread. Settings come from
// the shared AnnounceManager's locked lookup. Who keeps whom: the app core keeps this object;
// it keeps both banners and the content view (so an ad that arrives after close still finds
// its place); the owner controller only weakly, so a screen let go is not kept alive by its
// last banner; the banners hold this object weakly as their delegate.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ads/slot/GADBannerView.h"
#include "platform/services/SystemAdBannerView.h"

namespace platform::ui {
class View;
class ViewController;
}  // namespace platform::ui

namespace online {

class AnnounceAppCore;

class DuRezSupport : public ads::GADBannerViewDelegate,
                     public platform::services::SystemAdBannerViewDelegate,
                     public std::enable_shared_from_this<DuRezSupport> {
    struct Private {};

  public:
    // The active kind of banner; the values are the server's "durezEnable" kinds.
    enum class AdType : int { None = 0, DuRez = 1, IAd = 2 };

    static constexpr double kDefaultRefreshInterval = 60;

    // Makers of the two banners; tests hand in scripted ones.
    using DuRezBannerFactory = std::function<std::shared_ptr<ads::GADBannerView>()>;
    using IAdBannerFactory =
        std::function<std::shared_ptr<platform::services::SystemAdBannerView>()>;

    static std::shared_ptr<DuRezSupport> create();
    explicit DuRezSupport(Private);
    ~DuRezSupport() override;
    DuRezSupport(const DuRezSupport&) = delete;
    DuRezSupport& operator=(const DuRezSupport&) = delete;

    void setDuRezBannerFactory(DuRezBannerFactory factory) { duRezFactory_ = std::move(factory); }
    void setIAdBannerFactory(IAdBannerFactory factory) { iAdFactory_ = std::move(factory); }

    // Shows a banner in `contentView` of `viewController` (refreshing when due).
    void showInViewController(const std::shared_ptr<platform::ui::ViewController>& viewController,
                              const std::shared_ptr<platform::ui::View>& contentView);
    // Takes the banner off the screen; the library's banner is kept for the next showing.
    void close();

    // "durezEnable", 0 without settings.
    int amPropDuRezEnable() const;
    // The shared announcement manager's app core.
    std::shared_ptr<AnnounceAppCore> appCore() const;
    // "durezEnable" is 2 or more (as an unsigned number) and the platform banner is allowed.
    bool canShowIAd() const;
    // "durezEnable" is 1 or 3 and there is an ad unit id of our own.
    bool canShowDuRez() const;

    const std::optional<std::string>& duRezPublisherId() const { return duRezPublisherId_; }
    void setDuRezPublisherId(std::optional<std::string> id) { duRezPublisherId_ = std::move(id); }
    bool useIAd() const { return useIAd_; }
    void setUseIAd(bool use) { useIAd_ = use; }

    // Read-outs.
    AdType adType() const { return adType_; }
    bool visible() const { return visible_; }
    bool durezReady() const { return durezReady_; }
    bool iAdReady() const { return iAdReady_; }
    const std::shared_ptr<ads::GADBannerView>& duRezAd() const { return duRezAd_; }
    const std::shared_ptr<platform::services::SystemAdBannerView>& iAdView() const {
        return iAdView_;
    }

    // GADBannerViewDelegate
    void adViewDidReceiveAd(ads::GADBannerView& view) override;
    void adViewDidFailToReceiveAdWithError(ads::GADBannerView& view,
                                           const platform::Error& error) override;
    // SystemAdBannerViewDelegate
    void bannerViewDidLoadAd(platform::services::SystemAdBannerView& view) override;
    void bannerViewDidFailToReceiveAdWithError(platform::services::SystemAdBannerView& view,
                                               const platform::Error& error) override;

  private:
    void refreshIAdIfPossible();
    void refreshDuRezIfPossible();
    void showSub();
    void disposeDuRezAd();
    void disposeIAdView();

    DuRezBannerFactory duRezFactory_;
    IAdBannerFactory iAdFactory_;

    std::weak_ptr<platform::ui::ViewController> ownerViewController_;
    std::shared_ptr<platform::ui::View> contentView_;
    // Wall-clock seconds of the active kind's last received ad; 0 at start.
    double prevReceiveAdTime_ = 0;
    AdType adType_ = AdType::None;
    std::shared_ptr<ads::GADBannerView> duRezAd_;
    std::optional<std::string> duRezPublisherId_;
    bool durezReady_ = false;
    bool useIAd_ = true;
    std::shared_ptr<platform::services::SystemAdBannerView> iAdView_;
    bool iAdReady_ = false;
    // The platform banner has neither loaded nor failed yet; close keeps it to hear which.
    bool iAdPending_ = false;
    bool visible_ = false;
    // The last platform banner failed while hidden: the next refresh prefers ours.
    bool useDuRezOnNextTurn_ = false;
};

}  // namespace online
