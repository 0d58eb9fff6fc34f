#pragma once

// The opener's road out of the program: another app or a web page outside this one. A URL the
// desktop cannot open ends here, one log line and nothing reported. Schemes listed for
// confirmation (the user default "clickthrough_confirm_schemes", else tel and facetime;
// looked up as spelled, then lower-cased) ask first with an untitled alert, the URL without
// its scheme as message, "Cancel" and the listed title; a confirmed URL opens without asking
// for the rest of the opener's life. Reports come first (click, leaving the app, "pclb"), and
// the app is left on a later turn of the main loop. The gate is asked once per opening: the
// user's confirmation goes on with the opening the gate let through, while the ad is on screen.
//
// Main thread only. Its opener owns it and is held weakly; the alerts it shows hold it weakly
// as their delegate, each alert's URL is kept until the alert answers or goes.

#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/Url.h"
#include "platform/ui/AlertView.h"

namespace ads {

class GADOpener;

class GADOpenerOtherApps : public platform::ui::AlertViewDelegate,
                           public std::enable_shared_from_this<GADOpenerOtherApps> {
    struct Private {};

  public:
    static std::shared_ptr<GADOpenerOtherApps> create(std::weak_ptr<GADOpener> opener);
    GADOpenerOtherApps(Private, std::weak_ptr<GADOpener> opener) : opener_(std::move(opener)) {}

    // Behind the opener's gate; asks first when the scheme is listed for confirmation.
    void openApp(const platform::Url& url);
    // The same for an opening that passed the gate already (a confirmed URL, a store sheet's
    // fallback): it only needs the ad still on screen.
    void openAppPastTheGate(const platform::Url& url);
    // The URLs the user confirmed, spelled as they came.
    const std::set<std::string>& allowedAppURLs() const { return allowedAppURLs_; }

    void alertViewClickedButtonAtIndex(platform::ui::AlertView& alert, int index) override;

  private:
    void leaveAppTo(GADOpener& opener, const platform::Url& url);

    std::weak_ptr<GADOpener> opener_;
    std::vector<std::pair<std::weak_ptr<platform::ui::AlertView>, platform::Url>>
        confirmationAlertURLs_;
    std::set<std::string> allowedAppURLs_;
};

}  // namespace ads
