#pragma once

// The publisher hears the app events of its ads' pages (the page message "appEvent": a name
// and, when the page gave one, an info text) through this. Every call is optional: the
// defaults do nothing. Main thread.

#include <optional>
#include <string>

namespace ads {

class GADBannerView;
class GADInterstitial;

class GADAppEventDelegate {
  public:
    virtual ~GADAppEventDelegate() = default;
    virtual void adViewDidReceiveAppEvent(GADBannerView& banner, const std::string& name,
                                          const std::optional<std::string>& info) {
        (void)banner;
        (void)name;
        (void)info;
    }
    virtual void interstitialDidReceiveAppEvent(GADInterstitial& interstitial,
                                                const std::string& name,
                                                const std::optional<std::string>& info) {
        (void)interstitial;
        (void)name;
        (void)info;
    }
};

}  // namespace ads
