#pragma once

// Carries out the click-throughs of one ad web view. Whatever the user's tap or the page asks
// to open first passes the gate against automatic clicks (shouldPerformOpenAction), then
// opens in the way that suits it. A successful open is reported to the slot as one click
// (didOpen: the slot counts it and pings the ad's click URLs), so a click is counted and
// pinged exactly once, here, and only once the screen or the other app is really on its way:
// nothing that failed to start counts.
//
// The gate. Here an opening does not leave the app: each is one more desktop browser window
// (or a question, or a screen) over a game that runs on, so an ad may open only what the
// player can see it asked for:
//   1. The ad is on screen (isAdOnScreen): its ad view is in the key window, the application is
//      active, neither the window nor any view on the way is hidden, transparent (alpha below
//      0.01) or deaf to touches (a screen being presented or dismissed is), and some of it is
//      inside the window and every clipping view above it (gad_visibleBounds). A preloaded ad
//      waiting in the placeholder window, or one whose screen is closing, opens nothing. An
//      ad view that is never shown itself is judged by the view that stands for it
//      (GADAdOpenings::shownBy: a native ad's view, a mediated network's view), or, shown by
//      views we cannot see (an app's own drawing of a custom native ad), on the word of their
//      owner, who reports the taps.
//   2. A touch of the ad view that no opening has used yet lets one opening of any kind
//      through and is used up by it, whoever of the ad's openers opens (the record is the ad
//      view's: GADAdOpenings). A touch is recorded only where a real input event is seen:
//      our ad view's, the mediated HTML adapter's own view's, a native ad's tapped view's, or
//      a network's or the app's report of the player's tap on a view we cannot see; never by
//      a click-through itself. Touches of our close button or close area are not the ad
//      view's.
//   3. Without a touch, with autoClickProtected on: nothing.
//   4. Without a touch, with autoClickProtected off, the ad's first opening out of the ad (the
//      ad the view shows now: the slot's clearing of `touched` for a new ad starts it over),
//      and the first of each kind of opening within the ad (GADOpening): an expand, a resize,
//      a calendar event, a picture question; new properties for an ad already resized pass.
//      Out of the ad is whatever puts a page or program before the player as a click-through:
//      the desktop's browser and other programs, the store sheet and composers, the in-app
//      browser and the ad's web apps (a page of the ad's choosing over the game, counted as a
//      click like the desktop's browser), a purchase. Within the ad is the ad's own view
//      (expand, resize) and the questions it puts (the calendar's event, the album's picture).
// A refusal is reported to the SDK core page as "navigationBlocked" (with
// "debugDialog" and "navigationURL" when known), at most GADAdOpenings::kReportedRefusals
// times per ad and never for an ad view that is gone, since each report is a call the core
// page makes to the ad server; the actions with an MRAID error add theirs, which names the
// cause: not on screen, or no touch (refusalMessage). What a call asks is checked before the
// gate, so an invalid request hears why it is invalid whether touched or not.
// One opening asks the gate once: an action that goes on later (a confirmed link, an editor
// waiting for its screen, the calendar after its permission, a store sheet after its load)
// only checks that the ad is still on screen (isAdOnScreen), and gives up otherwise.
//
// The roads, each a collaborator the opener owns (in its own file) behind the opener's own
// methods that its callers use:
//   - openApp: another app or a web page outside this one, asked for first when its scheme
//     is listed for confirmation (GADOpenerOtherApps).
//   - the store sheet, from the prefetch cache when the product was fetched before
//     (GADOpenerStoreSheets).
//   - full-screen web app and MRAID expand of the ad view itself (GADOpenerWebApps).
//   - mail and text composers, each behind its compose delegate proxy and its
//     GADOverlayProxy, which keeps this opener alive while the composer is up
//     (GADOpenerComposers).
//   - the in-app browser, video, in-app purchases, resizing and calendar events take the roads
//     their rooms set (GADOpenerRoads), the first three after the gate, the last two asking it
//     themselves once they have checked what the creative asks; a road no room set logs one
//     line and opens nothing (video, unset, takes the browser's road).
//
// Main thread only. Each page delegate owns one opener; the opener holds the slot, the ad
// view, the view controller and its own delegate weakly, and its collaborators strongly (they
// hold it weakly). Screens it puts up live on through their proxies; the store cache holds
// its sheets until they are used.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ads/fullscreen/GADOpenerRoads.h"
#include "ads/web/GADAdOpenings.h"
#include "ads/web/GADOpenerProtocol.h"
#include "platform/base/Url.h"
#include "platform/base/Value.h"

namespace platform::ui {
class ViewController;
}

namespace ads {

class GADFullScreenSlot;
class GADOpenerComposers;
class GADOpenerOtherApps;
class GADOpenerStoreSheets;
class GADOpenerWebApps;

// Told after an open inside the app, or after leaving it. Nothing in the SDK sets one; a
// missing delegate is simply not told.
class GADOpenerDelegate {
  public:
    virtual ~GADOpenerDelegate() = default;
    virtual void didOpenInApplication() {}
    virtual void didLeaveApplication() {}
};

class GADOpener : public GADOpenerProtocol, public std::enable_shared_from_this<GADOpener> {
    struct Private {};

  public:
    // roads outlives the opener (the process's table does).
    static std::shared_ptr<GADOpener> create(
        const GADOpenerRoads& roads = GADOpenerRoads::shared());
    GADOpener(Private, const GADOpenerRoads& roads) : roads_(roads) {}
    GADOpener(const GADOpener&) = delete;
    GADOpener& operator=(const GADOpener&) = delete;

    // The ad view is on screen, by rule 1 above.
    bool isAdOnScreen() const;
    // The gate (above) for one opening; a pass uses the touch up, a refusal is reported to
    // the SDK core page.
    GADGateAnswer gate(GADOpening opening);
    // The gate for an opening out of the ad (a browser, another program, a store sheet).
    bool shouldPerformOpenAction() {
        return gate(GADOpening::OutOfTheAd) == GADGateAnswer::Allowed;
    }
    // Nullopt, without a report, when the ad view's window takes none of the orientations of
    // the mask (bit 1 << orientation); otherwise the gate's answer.
    std::optional<GADGateAnswer> gateWithOrientations(unsigned mask, GADOpening opening);
    bool shouldPerformOpenActionWithOrientations(unsigned mask) {
        return gateWithOrientations(mask, GADOpening::OutOfTheAd) == GADGateAnswer::Allowed;
    }
    // The MRAID error that says why the gate refused `doing` ("Resizing an ad", ...): the ad
    // is not on screen, or nobody touched it.
    static std::string refusalMessage(const std::string& doing, GADGateAnswer answer);
    // YES when there is content and the controller to present from is still there.
    bool canOpenContent(bool hasContent) const;
    void didOpen();
    // The ad's MRAID event handler hears it as "onError"; without one the log does, out of the
    // page's budget (GADPageLog).
    void reportMRAIDError(const std::string& message, const std::string& action) const;
    void didOpenInApp();
    void didOpenExternalApp();

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
    // An opening that passed the gate already goes on outside the app (a store sheet's
    // fallback), while the ad is on screen.
    void openAppPastTheGate(const platform::Url& url);
    void openEmailComposer(const platform::Url& url) override;
    void openSmsComposer(const platform::Url& url) override;
    void openBrowserToURL(const platform::Url& url, std::uint64_t supportedOrientations) override;
    void openVideoToURL(const platform::Url& url, std::uint64_t supportedOrientations);

    // The store sheet. An empty product identifier is ignored; the fallback may be absent.
    // Fetching loads a sheet for later, without the gate (nothing is shown).
    void openInAppStoreWithProductID(const std::string& productID,
                                     const std::optional<platform::Url>& fallbackURL,
                                     bool shouldWaitForFetch);
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
    // Presents an editor (a composer, the calendar's) through its overlay proxy, after the
    // gate, once the screen to present from takes touches again.
    void presentComposerController(const std::shared_ptr<platform::ui::ViewController>& editor);
    // The same for an editor whose opening already passed the gate (the calendar's, once its
    // permission came): presented only while the ad is still on screen.
    void presentComposerControllerPastTheGate(
        const std::shared_ptr<platform::ui::ViewController>& editor);

  private:
    const GADOpenerRoads& roads_;
    bool didOpenAnotherApplication_ = false;
    bool autoClickProtected_ = false;
    std::weak_ptr<platform::ui::ViewController> viewController_;
    std::optional<platform::Url> referringURL_;
    std::weak_ptr<GADAdView> adView_;
    std::weak_ptr<GADFullScreenSlot> slot_;
    std::weak_ptr<GADOpenerDelegate> delegate_;
    std::optional<std::string> navigationURL_;
    std::shared_ptr<GADOpenerOtherApps> otherApps_;
    std::shared_ptr<GADOpenerStoreSheets> storeSheets_;
    std::shared_ptr<GADOpenerWebApps> webApps_;
    std::shared_ptr<GADOpenerComposers> composers_;
};

}  // namespace ads
