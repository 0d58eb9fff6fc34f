#pragma once

// What an ad page's delegate and its handlers ask of the object that carries out the page's
// click-throughs (GADOpener, which lives with the ad slot it reports clicks to). The page
// delegate points it at the page before every navigation (the URL asked for, the ad view and
// the controller to present from) and hands it whatever the page may not load itself: other
// apps, mail and text composers, the in-app browser. Main thread only. The opener holds the ad
// view and the view controller weakly; a page delegate that goes lets go of them first, since
// a screen the opener put up may keep the opener alive longer.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/Url.h"

namespace platform::ui {
class ViewController;
}

namespace ads {

class GADAdView;

class GADOpenerProtocol {
  public:
    // All four interface orientations.
    static constexpr std::uint64_t kAllOrientations = 30;

    virtual ~GADOpenerProtocol() = default;

    // The last URL the page asked to load, reported when a click is blocked.
    virtual void setNavigationURL(std::optional<std::string> url) = 0;
    virtual void setViewController(std::weak_ptr<platform::ui::ViewController> controller) = 0;
    virtual void setAdView(std::weak_ptr<GADAdView> adView) = 0;
    // The page a click came from (the in-app browser sends it on).
    virtual void setReferringURL(std::optional<platform::Url> url) = 0;
    // Forgets the slot it reports to (the page's delegate is going).
    virtual void clearSlot() = 0;

    // The slot's ad speaks MRAID: clicked web links open in the in-app browser.
    virtual bool isSlotMRAIDEnabled() const = 0;

    virtual void openApp(const platform::Url& url) = 0;
    virtual void openEmailComposer(const platform::Url& url) = 0;
    virtual void openSmsComposer(const platform::Url& url) = 0;
    virtual void openBrowserToURL(const platform::Url& url,
                                  std::uint64_t supportedOrientations) = 0;
};

}  // namespace ads
