#pragma once

// What an ad view tells the object that decides for its page (GADAdViewDelegate and its
// subclasses): every navigation is asked first, then the load's start, end or failure, every
// change of the page's content size and the end of the page's web process; a server's redirect
// of a navigation already allowed is asked apart, since it is no new action of the user, and a
// navigation let load only in a frame that was the page's own comes back (the web view's
// contract, platform/web/WebViewDelegate.h). All calls come on the main thread, from the ad
// view's web view callbacks. Every method is optional: without an answer a navigation is
// allowed.

#include <memory>

#include "platform/base/Error.h"
#include "platform/base/Geometry.h"
#include "platform/net/UrlRequest.h"
#include "platform/web/WebViewDelegate.h"

namespace ads {

class GADAdView;

// Which MRAID script a page is served: a slot's own banner or interstitial page, or any other
// page an ad shows (an expansion's second page, a landing page).
enum class GADMRAIDScriptKind { Banner, Interstitial, ExpandedBanner };

class GADAdViewDelegateProtocol {
  public:
    virtual ~GADAdViewDelegateProtocol() = default;

    virtual bool adViewShouldStartLoadWithRequest(const std::shared_ptr<GADAdView>& adView,
                                                  const platform::UrlRequest& request,
                                                  platform::web::NavigationType navigationType) {
        (void)adView;
        (void)request;
        (void)navigationType;
        return true;
    }
    // The full answer, for a delegate that tells the page's own navigations from its frames'
    // (platform::web::NavigationPolicy). By default adViewShouldStartLoadWithRequest's.
    virtual platform::web::NavigationPolicy adViewPolicyForNavigation(
        const std::shared_ptr<GADAdView>& adView, const platform::UrlRequest& request,
        platform::web::NavigationType navigationType) {
        return adViewShouldStartLoadWithRequest(adView, request, navigationType)
                   ? platform::web::NavigationPolicy::Load
                   : platform::web::NavigationPolicy::Refuse;
    }
    // A navigation answered LoadInFrameOnly was the page's own: nothing of it loaded.
    virtual void adViewDidHoldBackNavigation(const std::shared_ptr<GADAdView>& adView,
                                             const platform::UrlRequest& request,
                                             platform::web::NavigationType navigationType) {
        (void)adView;
        (void)request;
        (void)navigationType;
    }
    // The type is the one the redirected navigation started with. By default asked like a
    // navigation.
    virtual bool adViewShouldFollowRedirect(const std::shared_ptr<GADAdView>& adView,
                                            const platform::UrlRequest& request,
                                            platform::web::NavigationType navigationType) {
        return adViewShouldStartLoadWithRequest(adView, request, navigationType);
    }
    virtual void adViewDidStartLoad(const std::shared_ptr<GADAdView>& adView) { (void)adView; }
    virtual void adViewDidFinishLoad(const std::shared_ptr<GADAdView>& adView) { (void)adView; }
    virtual void adViewDidFailLoadWithError(const std::shared_ptr<GADAdView>& adView,
                                            const platform::Error& error) {
        (void)adView;
        (void)error;
    }
    // The MRAID script this delegate's page gets; a page that is not a slot's own ad is an
    // expansion's.
    virtual GADMRAIDScriptKind MRAIDScriptKind() const {
        return GADMRAIDScriptKind::ExpandedBanner;
    }
    virtual void adViewContentSizeDidChange(const std::shared_ptr<GADAdView>& adView,
                                            platform::Size size) {
        (void)adView;
        (void)size;
    }
    // The page's web process ended (a load under way has failed first): the page is gone.
    virtual void adViewWebProcessDidEnd(const std::shared_ptr<GADAdView>& adView,
                                        const platform::Error& error) {
        (void)adView;
        (void)error;
    }
};

}  // namespace ads
