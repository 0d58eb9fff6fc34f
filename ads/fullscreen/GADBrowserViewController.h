#pragma once

// The in-app browser: a full-screen SDK screen that shows the landing page a click led to (a
// page's "open" of a browser or video link, a web link clicked in an MRAID ad), with a toolbar
// at the bottom: back, forward, reload (a spinner while a page loads), "View in Safari" and
// "Done". Like every GADViewController it is put on screen by a presenter and takes part in
// its slot's intermission, so the app hears one will-present and one will/did-dismiss for the
// browser and the ad under it together.
//
// The opener's browser road (openBrowserFromOpener) makes it for http(s) links only, presents
// it from the opener's controller and reports the click once the presentation has started.
//
// Main thread only. The page view (GADBrowserAdView) and the toolbar are made on the first
// appearance (the web view the height of the view less the toolbar's, plus one point; the
// toolbar 44 points high, 30 in landscape); a load asked for before that waits for it, with
// its referrer. The request carries "Referer" with the referring page's host alone.
//
// "View in Safari" hands the page shown to a new opener of its own (no auto-click protection,
// the browser's slot: a click of the ad again, counted and pinged), which leaves the app for
// the desktop's browser, asking first when the scheme is listed for confirmation; then "pcbo"
// is set in the ad's statistics. The browser keeps that opener until the next press or its
// own end, so a confirmation alert's answer still reaches it. With no page shown nothing
// opens and nothing is recorded.
//
// Who keeps whom: the browser holds its page view, the page's delegate, the toolbar and its
// items, and the last "View in Safari" opener; the page view holds the browser weakly. When the
// browser goes, its page view loses its delegate.

#include <cstdint>
#include <memory>
#include <optional>

#include "ads/fullscreen/GADViewController.h"
#include "platform/base/Url.h"
#include "platform/ui/BarItems.h"

namespace platform::ui {
class ActivityIndicator;
class Toolbar;
}  // namespace platform::ui

namespace ads {

class GADBrowserAdView;
class GADBrowserAdViewDelegate;
class GADOpener;

class GADBrowserViewController : public GADViewController {
  public:
    using Item = std::shared_ptr<platform::ui::BarButtonItem>;

    static constexpr double kToolbarHeight = 44;
    static constexpr double kLandscapeToolbarHeight = 30;
    static constexpr double kImageButtonWidth = 27;
    static constexpr double kSpinnerSide = 20;

    static std::shared_ptr<GADBrowserViewController> create();
    explicit GADBrowserViewController(Private key);
    ~GADBrowserViewController() override;

    const char* className() const override { return "GADBrowserViewController"; }

    // The opener's road to the browser (GADOpenerRoads): behind the opener's gate, opens
    // http(s) URLs only, from the opener's controller, and reports the click to the opener
    // when the presentation started.
    static void openBrowserFromOpener(GADOpener& opener, const platform::Url& url,
                                      std::uint64_t supportedOrientations);

    // Loads now, or on the first appearance when there is no page view yet.
    void load(const platform::Url& url, const std::optional<platform::Url>& referringURL);
    const std::optional<platform::Url>& URLToLoad() const { return URLToLoad_; }
    const std::optional<platform::Url>& referringURLToLoad() const { return referringURLToLoad_; }

    // The toolbar's actions. Back and forward act only when the page can go that way.
    void back();
    void forward();
    void stop();
    void reload();
    void openInSafari();
    void doneButtonPressed();
    // Back and forward enabled as the page can go; the spinner in place of reload and "View
    // in Safari" off while a page loads; nine items.
    void refreshToolbar();

    // Made on the first appearance; nullptr before.
    const std::shared_ptr<GADBrowserAdView>& adView() const { return adView_; }
    const std::shared_ptr<GADBrowserAdViewDelegate>& adViewDelegate() const {
        return adViewDelegate_;
    }
    const std::shared_ptr<platform::ui::Toolbar>& toolbar() const { return toolbar_; }
    const Item& backButton() const { return backButton_; }
    const Item& forwardButton() const { return forwardButton_; }
    const Item& reloadButton() const { return reloadButton_; }
    const Item& safariButton() const { return safariButton_; }
    const Item& doneButton() const { return doneButton_; }
    const Item& spinnerContainingButton() const { return spinnerContainingButton_; }
    const std::shared_ptr<platform::ui::ActivityIndicator>& spinner() const { return spinner_; }

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewChangedToOrientation(int orientation) override;

  private:
    void createToolbarButtons();
    Item buttonWithImage(platform::ui::ImagePtr image, const char* name, double width, bool enabled,
                         void (GADBrowserViewController::*action)());
    platform::ui::BarButtonItem::Action toolbarAction(void (GADBrowserViewController::*action)());
    std::shared_ptr<GADBrowserViewController> browser();

    std::optional<platform::Url> URLToLoad_;
    std::optional<platform::Url> referringURLToLoad_;
    std::shared_ptr<GADBrowserAdViewDelegate> adViewDelegate_;
    std::shared_ptr<GADBrowserAdView> adView_;
    std::shared_ptr<platform::ui::Toolbar> toolbar_;
    Item flexibleSpaceButton_;
    Item backButton_;
    Item forwardButton_;
    Item reloadButton_;
    Item safariButton_;
    Item doneButton_;
    Item spinnerContainingButton_;
    std::shared_ptr<platform::ui::ActivityIndicator> spinner_;
    std::shared_ptr<GADOpener> safariOpener_;
};

}  // namespace ads
