#pragma once

// Page messages that shape the full-screen ad app controller showing the page
// (GADAdAppViewController); on any other page they do nothing.
//   "customClose"               - the creative draws its own close control exactly when
//                                 "custom_close" is the text "1" ("true" and the like are not).
//   "setInterstitialProperties" - "transparentBackground" "1" lays the ad over the app on a
//                                 clear background (GADTransparentOverlayPresenter); any other
//                                 value goes back to the default presentation. Only before the
//                                 controller's view is in a window hierarchy: once on screen,
//                                 the presentation is what it is. Without the parameter nothing
//                                 changes.
//
// Main thread, like every handler. No state of its own.

#include <memory>

#include "ads/web/GADGMSGHandler.h"

namespace ads {

class GADAdAppViewController;

class GADAdAppGMSGHandler : public GADGMSGHandler {
    struct Private {};

  public:
    static std::shared_ptr<GADAdAppGMSGHandler> create();
    explicit GADAdAppGMSGHandler(Private) {}

    const GADGMSGActionTable* actionBlockDictionary() const override;

    void configureCustomCloseButtonWithArguments(const GADGMSGActionInfo& info);
    void updateInterstitialPropertiesWithArguments(const GADGMSGActionInfo& info);

  private:
    static std::shared_ptr<GADAdAppViewController> controllerOf(const GADGMSGActionInfo& info);
};

}  // namespace ads
