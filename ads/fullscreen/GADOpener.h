#pragma once

// Carries out the click-throughs of one ad web view. Whatever the user's tap or the page asks
// to open first passes the gate against automatic clicks (shouldPerformOpenAction: with
// autoClickProtected on, nothing opens unless the user has touched the ad view; a blocked
// open is reported to the SDK core page as "navigationBlocked"), then opens in the way that
// suits it. A successful open is reported to the slot as one click (didOpen: the slot counts
// it and pings the ad's click URLs), so a click is counted and pinged exactly once, here, and
// only once the screen or the other app is really on its way: nothing that failed to start
// counts.
//
// The roads:
//   - openApp: another app or a web page outside this one. A URL the desktop cannot open
//     (Application::canOpenURL false, such as tel:) ends here like missing content: nothing
//     asked, opened or reported, one log line. Schemes listed for confirmation (the user
//     default "clickthrough_confirm_schemes", else tel and facetime; looked up as spelled,
//     then lower-cased) ask first with an untitled alert, the URL without its scheme as
//     message, "Cancel" and the listed title; a confirmed URL opens without asking for the
//     rest of the opener's life. Reports come first (click, leaving the app, "pclb"), and
//     the app is left on a later turn of the main loop.
//   - the store sheet (platform::services::StoreProductSheet), from the prefetch cache when
//     the product was fetched before (each prefetched sheet is used once); waiting for the
//     product or shown at once while it loads. A product that fails to load closes a sheet
//     already up and opens the fallback URL through openApp; a waiting fetch that fails opens
//     the fallback too, since the user asked to go somewhere.
//   - full-screen web app (GADSupplementalAdAppViewController) and MRAID expand of the ad
//     view itself (GADExpandedAdAppViewController: "expanding", then {"state": "expanded"};
//     on dismissal "collapsed" and {"state": "default"}). An ad already shown full screen
//     does not expand.
//   - mail and text composers (platform::services), each behind its compose delegate proxy
//     and its GADOverlayProxy, which keeps this opener alive while the composer is up. A
//     composer asked for while the full-screen ad it comes from is appearing or leaving is
//     tried again every 0.25 s (holding opener and composer weakly) until that screen takes
//     touches again, and given up once the screen is gone or off screen.
//   - the in-app browser, video, in-app purchases, resizing and calendar events take the roads
//     their rooms set (GADOpenerRoads), after the gate; a road no room set logs one line and
//     opens nothing (video, unset, takes the browser's road).
//
// Main thread only. Each page delegate owns one opener; the opener holds the slot, the ad
// view, the view controller and its own delegate weakly. Screens it puts up live on through
// their proxies; the store cache holds its sheets until they are used.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "ads/fullscreen/GADOpenerRoads.h"
#include "ads/web/GADOpenerProtocol.h"
#include "platform/base/Url.h"
#include "platform/base/Value.h"
#include "platform/services/MailComposer.h"
#include "platform/services/MessageComposer.h"
#include "platform/ui/AlertView.h"

namespace platform::services {
class StoreProductSheet;
}

namespace ads {

class GADAdAppViewController;
class GADFullScreenSlot;
class GADSupplementalAdAppViewController;

// Told after an open inside the app, or after leaving it. Nothing in the SDK sets one; a
// missing delegate is simply not told.
class GADOpenerDelegate {
  public:
    virtual ~GADOpenerDelegate() = default;
    virtual void didOpenInApplication() {}
    virtual void didLeaveApplication() {}
};

class GADOpener : public GADOpenerProtocol,
                  public platform::ui::AlertViewDelegate,
                  public platform::services::MailComposerDelegate,
                  public platform::services::MessageComposerDelegate,
                  public std::enable_shared_from_this<GADOpener> {
    struct Private {};

  public:
    // Between two tries to put a composer over a screen that is appearing or leaving.
    static constexpr double kComposerRetryInterval = 0.25;

    // roads outlives the opener (the process's table does).
    static std::shared_ptr<GADOpener> create(
        const GADOpenerRoads& roads = GADOpenerRoads::shared());
    GADOpener(Private, const GADOpenerRoads& roads) : roads_(roads) {}
    GADOpener(const GADOpener&) = delete;
    GADOpener& operator=(const GADOpener&) = delete;

    // The gate: open only what the user asked for when auto-click protection is on.
    bool shouldPerformOpenAction();
    // False, without a report, when the ad view's window takes none of the orientations of
    // the mask (bit 1 << orientation); otherwise the gate.
    bool shouldPerformOpenActionWithOrientations(unsigned mask);
    // YES when there is content and the controller to present from is still there.
    bool canOpenContent(bool hasContent) const;
    void didOpen();
    void didOpenInApp();
    void didOpenExternalApp();

    // A full-screen web app controller with the orientations, this opener's slot and the
    // custom-close flag.
    void configureOverlay(GADAdAppViewController& controller, unsigned orientations,
                          bool useCustomClose) const;
    std::shared_ptr<GADSupplementalAdAppViewController> overlayWithOrientations(
        unsigned orientations, bool useCustomClose) const;

    bool didOpenAnotherApplication() const { return didOpenAnotherApplication_; }
    void setDidOpenAnotherApplication(bool opened) { didOpenAnotherApplication_ = opened; }
    bool autoClickProtected() const { return autoClickProtected_; }
    void setAutoClickProtected(bool on) { autoClickProtected_ = on; }
    std::shared_ptr<platform::ui::ViewController> viewController() const {
        return viewController_.lock();
    }
    const std::optional<platform::Url>& referringURL() const { return referringURL_; }
    void setReferringURL(std::optional<platform::Url> url) override {
        referringURL_ = std::move(url);
    }
    std::shared_ptr<GADAdView> adView() const { return adView_.lock(); }
    // The slot whose ad this opener opens: it hears the clicks and is given to the screens
    // the opener puts up.
    std::shared_ptr<GADFullScreenSlot> slot() const { return slot_.lock(); }
    void setSlot(std::weak_ptr<GADFullScreenSlot> slot) { slot_ = std::move(slot); }
    void setDelegate(std::weak_ptr<GADOpenerDelegate> delegate) { delegate_ = std::move(delegate); }
    const std::optional<std::string>& navigationURL() const { return navigationURL_; }
    const std::set<std::string>& allowedAppURLs() const { return allowedAppURLs_; }

    // GADOpenerProtocol
    void setNavigationURL(std::optional<std::string> url) override {
        navigationURL_ = std::move(url);
    }
    void setViewController(std::weak_ptr<platform::ui::ViewController> controller) override {
        viewController_ = std::move(controller);
    }
    void setAdView(std::weak_ptr<GADAdView> adView) override { adView_ = std::move(adView); }
    void clearSlot() override { slot_.reset(); }
    bool isSlotMRAIDEnabled() const override;
    void openApp(const platform::Url& url) override;
    void openEmailComposer(const platform::Url& url) override;
    void openSmsComposer(const platform::Url& url) override;
    void openBrowserToURL(const platform::Url& url, std::uint64_t supportedOrientations) override;
    void openVideoToURL(const platform::Url& url, std::uint64_t supportedOrientations);

    // The store sheet. An empty product identifier is ignored; the fallback may be absent.
    void openInAppStoreWithProductID(const std::string& productID,
                                     const std::optional<platform::Url>& fallbackURL,
                                     bool shouldWaitForFetch);
    // Loads a sheet for later; no gate (nothing is shown).
    void fetchInAppStoreForProductID(const std::string& productID);
    void openInAppPurchase(const std::string& productID, std::int64_t quantity,
                           const std::vector<std::string>& reportingURLStringFormats);
    void openWebApp(const platform::Url& url, unsigned supportedOrientations, bool useCustomClose);
    void openWebAppWithHTML(const std::string& html, unsigned supportedOrientations,
                            bool useCustomClose);
    void expandToWebAppWithSupportedOrientations(unsigned supportedOrientations,
                                                 bool useCustomClose);
    void openWebAppWithResizeProperties(const platform::Value::Dictionary& properties);
    void openCalendarWithDictionary(const platform::Value::Dictionary& event);
    // Puts a composer (or another platform editor) up over the view controller.
    void presentComposerController(const std::shared_ptr<platform::ui::ViewController>& composer);

    // Platform callbacks.
    void alertViewClickedButtonAtIndex(platform::ui::AlertView& alert, int index) override;
    void mailComposeControllerDidFinish(platform::services::MailComposer& composer,
                                        platform::services::MailComposeResult result,
                                        const std::optional<platform::Error>& error) override;
    void messageComposeViewControllerDidFinish(
        platform::services::MessageComposer& composer,
        platform::services::MessageComposeResult result) override;

  private:
    void leaveAppTo(const platform::Url& url);
    void presentWebApp(const std::shared_ptr<GADSupplementalAdAppViewController>& controller);
    void presentStoreSheet(const std::shared_ptr<platform::services::StoreProductSheet>& sheet,
                           const std::shared_ptr<platform::ui::ViewController>& from);
    void storeProductDidLoad(const std::shared_ptr<platform::services::StoreProductSheet>& sheet,
                             bool loaded, const std::optional<platform::Url>& fallbackURL,
                             bool waited);
    void finishComposer(const std::shared_ptr<platform::ui::ViewController>& composer);
    // The user interacted too early or the screen went: the composer's proxy lets go.
    static void abandonComposer(const std::shared_ptr<platform::ui::ViewController>& composer);
    // The error an MRAID action reports to the ad.
    void reportMRAIDError(const std::string& message, const std::string& action) const;

    const GADOpenerRoads& roads_;
    std::vector<std::pair<std::weak_ptr<platform::ui::AlertView>, platform::Url>>
        confirmationAlertURLs_;
    std::set<std::string> allowedAppURLs_;
    bool didOpenAnotherApplication_ = false;
    bool autoClickProtected_ = false;
    std::weak_ptr<platform::ui::ViewController> viewController_;
    std::optional<platform::Url> referringURL_;
    std::weak_ptr<GADAdView> adView_;
    std::weak_ptr<GADFullScreenSlot> slot_;
    std::weak_ptr<GADOpenerDelegate> delegate_;
    std::optional<std::string> navigationURL_;
    std::map<std::string, std::shared_ptr<platform::services::StoreProductSheet>>
        cachedStoreProductViewController_;
};

}  // namespace ads
