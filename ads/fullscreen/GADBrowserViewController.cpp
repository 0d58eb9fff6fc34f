#include "ads/fullscreen/GADBrowserViewController.h"

#include "ads/foundation/GADDevice.h"
#include "ads/foundation/GADStatisticDictionary.h"
#include "ads/foundation/GADURLUtilities.h"
#include "ads/fullscreen/GADBrowserAdView.h"
#include "ads/fullscreen/GADBrowserAdViewDelegate.h"
#include "ads/fullscreen/GADFullScreenSlot.h"
#include "ads/fullscreen/GADIntrinsicImages.h"
#include "ads/fullscreen/GADOpener.h"
#include "ads/web/GADPageLog.h"
#include "platform/net/UrlRequest.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/runtime/WeakCall.h"
#include "platform/ui/ActivityIndicator.h"
#include "platform/ui/Application.h"
#include "platform/ui/Toolbar.h"

namespace ads {

namespace ui = platform::ui;

std::shared_ptr<GADBrowserViewController> GADBrowserViewController::create() {
    MOVU_CHECK_MAIN_THREAD();
    return std::make_shared<GADBrowserViewController>(Private{});
}

GADBrowserViewController::GADBrowserViewController(Private key) : GADViewController(key) {}

GADBrowserViewController::~GADBrowserViewController() {
    if (adView_ && adViewDelegate_ && adView_->delegate() == adViewDelegate_)
        adView_->setDelegate({});
}

std::shared_ptr<GADBrowserViewController> GADBrowserViewController::browser() {
    return std::static_pointer_cast<GADBrowserViewController>(self());
}

void GADBrowserViewController::openBrowserFromOpener(GADOpener& opener, const platform::Url& url,
                                                     std::uint64_t supportedOrientations) {
    MOVU_CHECK_MAIN_THREAD();
    // A landing page is a web page; any other scheme would show nothing, and a click that
    // shows nothing is no click.
    if (!gad_isWebURL(url)) {
        GADPageLog::write(opener.adView().get(),
                          "Ad click: the in-app browser opens web pages only; nothing opened.");
        return;
    }
    auto browser = create();
    browser->setSupportedInterfaceOrientations(static_cast<unsigned>(supportedOrientations));
    browser->setSlot(opener.slot());
    browser->load(url, opener.referringURL());
    if (browser->presentFromViewController(opener.viewController(), {})) opener.didOpenInApp();
}

void GADBrowserViewController::load(const platform::Url& url,
                                    const std::optional<platform::Url>& referringURL) {
    MOVU_CHECK_MAIN_THREAD();
    if (url.absoluteString().empty()) return;
    if (!adView_) {
        URLToLoad_ = url;
        referringURLToLoad_ = referringURL;
        return;
    }
    platform::UrlRequest request(url);
    // The landing page learns which site sent the user, never the ad request's own URL with
    // its parameters.
    if (referringURL && !referringURL->host().empty())
        request.setValueForHttpHeaderField(referringURL->host(), "Referer");
    adView_->loadRequest(request);
}

void GADBrowserViewController::viewDidLoad() {
    GADViewController::viewDidLoad();
    view()->setBackgroundColor(platform::Color::whiteColor());
}

void GADBrowserViewController::viewWillAppear(bool animated) {
    GADViewController::viewWillAppear(animated);
    if (adView_) return;
    auto v = view();
    const platform::Size size = v->bounds().size;
    // This program runs as a phone: the pad's toolbar never applies.
    const double toolbarHeight = GADDevice::sharedInstance()->orientationLandscape()
                                     ? kLandscapeToolbarHeight
                                     : kToolbarHeight;
    const double webHeight = size.height - toolbarHeight + 1;

    adView_ = GADBrowserAdView::create({0, 0, size.width, webHeight});
    adView_->setViewController(browser());
    adView_->setShowDebug(false);
    adView_->setAutoresizingMask(ui::AutoresizingFlexibleWidth | ui::AutoresizingFlexibleHeight);
    auto settings = adView_->webView()->settings();
    settings.dataDetectorTypes = ~0u;
    adView_->webView()->setSettings(settings);
    v->addSubview(adView_);

    adViewDelegate_ = GADBrowserAdViewDelegate::create();
    adView_->setDelegate(adViewDelegate_);
    if (auto url = std::move(URLToLoad_)) {
        auto referrer = std::move(referringURLToLoad_);
        URLToLoad_.reset();
        referringURLToLoad_.reset();
        load(*url, referrer);
    }

    toolbar_ = ui::Toolbar::create({0, webHeight, size.width, toolbarHeight});
    toolbar_->setAutoresizingMask(ui::AutoresizingFlexibleWidth |
                                  ui::AutoresizingFlexibleTopMargin);
    toolbar_->setAutoresizesSubviews(true);
    toolbar_->setBackgroundColor(platform::Color::black());
    v->addSubview(toolbar_);

    createToolbarButtons();
    refreshToolbar();
}

void GADBrowserViewController::viewChangedToOrientation(int orientation) {
    GADViewController::viewChangedToOrientation(orientation);
    if (adView_) adView_->didRotateToOrientation(ui::Application::shared().statusBarOrientation());
}

namespace {

// Every item but the spaces is offered to assistive technology under its name.
GADBrowserViewController::Item labelled(GADBrowserViewController::Item item, const char* name,
                                        double width, bool enabled) {
    item->setWidth(width);
    item->setEnabled(enabled);
    item->setIsAccessibilityElement(true);
    item->setAccessibilityLabel(name);
    return item;
}

}  // namespace

ui::BarButtonItem::Action GADBrowserViewController::toolbarAction(
    void (GADBrowserViewController::*action)()) {
    return platform::weakCall(
        std::weak_ptr(browser()),
        [action](GADBrowserViewController& self, ui::BarButtonItem&) { (self.*action)(); });
}

GADBrowserViewController::Item GADBrowserViewController::buttonWithImage(
    ui::ImagePtr image, const char* name, double width, bool enabled,
    void (GADBrowserViewController::*action)()) {
    return labelled(ui::BarButtonItem::createWithImage(
                        std::move(image), ui::BarButtonItemStyle::Plain, toolbarAction(action)),
                    name, width, enabled);
}

void GADBrowserViewController::createToolbarButtons() {
    auto& images = GADIntrinsicImages::sharedInstance();
    flexibleSpaceButton_ = ui::BarButtonItem::createSystem(ui::SystemItem::FlexibleSpace);
    backButton_ = buttonWithImage(images.browserBackButton(), "Back", kImageButtonWidth, false,
                                  &GADBrowserViewController::back);
    forwardButton_ = buttonWithImage(images.browserForwardButton(), "Forward", kImageButtonWidth,
                                     false, &GADBrowserViewController::forward);

    spinner_ = ui::ActivityIndicator::create(ui::ActivityIndicatorStyle::White);
    spinner_->setFrame({0, 0, kSpinnerSide, kSpinnerSide});
    spinner_->setAutoresizingMask(ui::AutoresizingFlexibleLeftMargin |
                                  ui::AutoresizingFlexibleRightMargin);
    spinnerContainingButton_ =
        labelled(ui::BarButtonItem::createWithCustomView(spinner_), "Spinner", kSpinnerSide, true);

    reloadButton_ =
        labelled(ui::BarButtonItem::createSystem(ui::SystemItem::Refresh,
                                                 toolbarAction(&GADBrowserViewController::reload)),
                 "Reload", kImageButtonWidth, true);
    safariButton_ = labelled(
        ui::BarButtonItem::createSystem(ui::SystemItem::Action,
                                        toolbarAction(&GADBrowserViewController::openInSafari)),
        "View in Safari", kImageButtonWidth, false);
    // The desktop's bars have no system pictures: arrows that fit the narrow items stand in.
    reloadButton_->setTitle("\u21BB");
    safariButton_->setTitle("\u2197");
    // Its width is the bar's to choose.
    doneButton_ = labelled(
        ui::BarButtonItem::createSystem(
            ui::SystemItem::Done, toolbarAction(&GADBrowserViewController::doneButtonPressed)),
        "Done", 0, true);
}

void GADBrowserViewController::refreshToolbar() {
    MOVU_CHECK_MAIN_THREAD();
    if (!toolbar_ || !adView_) return;
    const auto& page = adView_->webView();
    backButton_->setEnabled(page->canGoBack());
    forwardButton_->setEnabled(page->canGoForward());
    const bool loading = page->isLoading();
    if (loading)
        spinner_->startAnimating();
    else
        spinner_->stopAnimating();
    safariButton_->setEnabled(!loading);
    const Item& middle = loading ? spinnerContainingButton_ : reloadButton_;
    toolbar_->setItems({backButton_, flexibleSpaceButton_, forwardButton_, flexibleSpaceButton_,
                        middle, flexibleSpaceButton_, safariButton_, flexibleSpaceButton_,
                        doneButton_});
}

void GADBrowserViewController::back() {
    MOVU_CHECK_MAIN_THREAD();
    if (adView_ && adView_->webView()->canGoBack()) adView_->webView()->goBack();
}

void GADBrowserViewController::forward() {
    MOVU_CHECK_MAIN_THREAD();
    if (adView_ && adView_->webView()->canGoForward()) adView_->webView()->goForward();
}

void GADBrowserViewController::stop() {
    MOVU_CHECK_MAIN_THREAD();
    if (adView_) adView_->webView()->stopLoading();
}

void GADBrowserViewController::reload() {
    MOVU_CHECK_MAIN_THREAD();
    if (adView_) adView_->webView()->reload();
}

void GADBrowserViewController::doneButtonPressed() {
    MOVU_CHECK_MAIN_THREAD();
    relinquishScreenWithCompletion(nullptr);
}

void GADBrowserViewController::openInSafari() {
    MOVU_CHECK_MAIN_THREAD();
    auto url = adView_ ? adView_->webView()->url() : std::nullopt;
    if (!url || url->absoluteString().empty()) return;
    // A new opener, past the gate: the ad's own may be under auto-click protection, which a
    // press of this button, on the browser's own toolbar, is not subject to; it only needs
    // the page on screen.
    safariOpener_ = GADOpener::create();
    safariOpener_->setViewController(browser());
    safariOpener_->setSlot(slot());
    safariOpener_->setAdView(adView_);
    safariOpener_->openAppPastTheGate(*url);
    if (auto s = slot()) {
        if (auto statistics = s->currentAdStatistics())
            statistics->setObject(platform::Value(true), "pcbo", true);
    }
}

}  // namespace ads
