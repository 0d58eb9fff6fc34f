#pragma once

// The delegate of a slot's ad view while it shows an ad network's script. Such a page has
// finished loading long before the network draws anything, or it gives up by navigating to a
// passback URL, so the page's load is no sign of an ad. This delegate watches for the passback
// and, after the page's first load, looks at the view's pixels every 0.2 s
// (GADAdViewRenderedChecker) until something is drawn.
//
// A passback is a navigation whose scheme is "passback" (in any letter case), or one to the
// ad's passback URL: the same host (both non-empty, letter case ignored) and an equivalent path
// (gad_isEquivalentToURLString), whatever its scheme and query. It is refused; while the ad is
// being fetched or rendered (states 4 and 5) it fails the slot with code 1 "Passback URL
// received.", cancels its pending actions and schedules the reload; once the ad is over it only
// stops the checks. A passback is judged before the click rule: touched or not, it is the
// network giving up. Other navigations follow GADBannerAdViewDelegate.
//
// The first finished load, without a passback and with the slot waiting for the page (state
// 4), moves the slot to state 5 and starts the checks; later finishes change nothing. Drawn
// content stops the checks and runs the plain page-finished handling (state 6, the banner's
// impression, the owner told). More than 100 failed checks (the 101st, about 20 s) stop them
// and fail the page with code 1 "Ad check timed out.", which reaches the owner as it is.
//
// Main thread only. The slot keeps this delegate; the check timer holds it weakly, and the
// delegate invalidates its timer when it is replaced or goes, so no check runs for an old ad
// and none outlives the slot.

#include <cstdint>
#include <memory>
#include <optional>

#include "ads/slot/GADAdViewRenderedChecker.h"
#include "ads/slot/GADBannerAdViewDelegate.h"
#include "platform/base/Url.h"

namespace platform {
class Timer;
}

namespace ads {

class GADAdNetworkJavaScriptAdViewDelegate : public GADBannerAdViewDelegate,
                                             public GADAdViewRenderedCheckerDelegate {
  public:
    static constexpr double kCheckInterval = 0.2;
    // Failed checks tolerated; the next one ends the ad.
    static constexpr std::uint64_t kMaximumFailedChecks = 100;

    // The slot's opener, or a new one.
    static std::shared_ptr<GADAdNetworkJavaScriptAdViewDelegate> create(
        std::weak_ptr<GADPageSlot> slot, std::optional<platform::Url> passbackURL = std::nullopt,
        std::shared_ptr<GADOpener> opener = nullptr);
    GADAdNetworkJavaScriptAdViewDelegate(Private, std::shared_ptr<GADOpener> opener,
                                         std::weak_ptr<GADPageSlot> slot,
                                         HandlerList leadingHandlers,
                                         std::optional<platform::Url> passbackURL);
    ~GADAdNetworkJavaScriptAdViewDelegate() override;

    const std::optional<platform::Url>& passbackURL() const { return passbackURL_; }
    void setPassbackURL(std::optional<platform::Url> url) { passbackURL_ = std::move(url); }
    bool wasPassbackReceived() const { return wasPassbackReceived_; }
    void setWasPassbackReceived(bool received) { wasPassbackReceived_ = received; }
    bool renderingCheckHasStarted() const { return renderingCheckHasStarted_; }
    std::uint64_t checkRenderingCount() const { return checkRenderingCount_; }
    // A check timer is running.
    bool isCheckingRendering() const;

    bool isPassbackRequest(const platform::UrlRequest& request) const;

    // A new checker for the view and a new repeating timer; one that ran before is stopped.
    void startRenderingTimerForAdView(const std::shared_ptr<GADAdView>& adView);
    void stopRenderingTimer();

    platform::web::NavigationPolicy adViewPolicyForNavigation(
        const std::shared_ptr<GADAdView>& adView, const platform::UrlRequest& request,
        platform::web::NavigationType type) override;
    void adViewDidFinishLoad(const std::shared_ptr<GADAdView>& adView) override;

    void adViewDidRenderContent(GADAdView& adView) override;
    void adViewDidFailToRenderContent(GADAdView& adView) override;

  private:
    void checkRendering();

    std::uint64_t checkRenderingCount_ = 0;
    std::shared_ptr<platform::Timer> checkRenderingTimer_;
    std::shared_ptr<GADAdViewRenderedChecker> adViewRenderedChecker_;
    std::weak_ptr<GADAdView> checkedAdView_;
    bool renderingCheckHasStarted_ = false;
    bool wasPassbackReceived_ = false;
    std::optional<platform::Url> passbackURL_;
};

}  // namespace ads
