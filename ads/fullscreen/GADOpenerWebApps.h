#pragma once

// The opener's full-screen screens of the ad's own pages: a web app
// (GADSupplementalAdAppViewController) loading a web address or showing HTML, and the MRAID
// expand of the ad view itself (GADExpandedAdAppViewController: "expanding", then
// {"state": "expanded"}; on dismissal "collapsed" and {"state": "default"}; each state with
// the size of its layout in the same delivery, GADMRAIDStateReport, and nothing measured
// between the start of the change and its state). An ad already shown full screen does not
// expand. Each screen gets the orientations, the opener's slot and the custom-close flag; a
// refusal by the gate is also the MRAID error of "expand", saying why. A web app is a page of
// the ad's choosing over the game and passes the gate as an opening out of the ad; an expand
// shows the ad's own view and passes it as one within the ad (GADOpening).
//
// Main thread only. Its opener owns it and is held weakly; the screens it puts up live on by
// themselves and hold the ad view weakly.

#include <memory>
#include <string>
#include <utility>

#include "ads/web/GADAdOpenings.h"
#include "platform/base/Url.h"

namespace ads {

class GADAdAppViewController;
class GADOpener;
class GADSupplementalAdAppViewController;

class GADOpenerWebApps {
  public:
    explicit GADOpenerWebApps(std::weak_ptr<GADOpener> opener) : opener_(std::move(opener)) {}

    void openWebApp(const platform::Url& url, unsigned supportedOrientations, bool useCustomClose);
    void openWebAppWithHTML(const std::string& html, unsigned supportedOrientations,
                            bool useCustomClose);
    void expandToWebAppWithSupportedOrientations(unsigned supportedOrientations,
                                                 bool useCustomClose);

    // A full-screen web app controller with the orientations, the opener's slot and the
    // custom-close flag.
    void configureOverlay(GADAdAppViewController& controller, unsigned orientations,
                          bool useCustomClose) const;
    std::shared_ptr<GADSupplementalAdAppViewController> overlayWithOrientations(
        unsigned orientations, bool useCustomClose) const;

  private:
    // The opener when it is there and its gate lets the opening through in the orientations;
    // otherwise nothing, the refusal reported as the MRAID error of "expand" with its cause.
    std::shared_ptr<GADOpener> openerPastTheGate(unsigned orientations, GADOpening opening) const;
    void presentWebApp(GADOpener& opener,
                       const std::shared_ptr<GADSupplementalAdAppViewController>& controller);

    std::weak_ptr<GADOpener> opener_;
};

}  // namespace ads
