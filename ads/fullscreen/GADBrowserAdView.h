#pragma once

// The page view of the in-app browser (GADBrowserViewController): an ad view that can be shown
// only by a browser. Giving it any other controller, or none, changes nothing, so the landing
// page's delegate always finds the browser whose toolbar and statistics it keeps.
//
// Main thread only. Holds its browser weakly, as every ad view holds its controller.

#include <memory>

#include "ads/web/GADAdView.h"

namespace ads {

class GADBrowserViewController;

class GADBrowserAdView : public GADAdView {
  public:
    static std::shared_ptr<GADBrowserAdView> create(platform::Rect frame);
    GADBrowserAdView(Private key, platform::Rect frame) : GADAdView(key, frame) {}

    const char* className() const override { return "GADBrowserAdView"; }

    void setViewController(std::weak_ptr<platform::ui::ViewController> controller) override;
    // The browser showing the page, or nullptr.
    std::shared_ptr<GADBrowserViewController> browserViewController() const;
};

}  // namespace ads
