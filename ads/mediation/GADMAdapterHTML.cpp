#include "ads/mediation/GADMAdapterHTML.h"

#include <algorithm>
#include <string_view>

#include "ads/foundation/GADInternalError.h"
#include "ads/foundation/GADServiceOrigins.h"
#include "ads/foundation/GADStringAdditions.h"
#include "ads/foundation/GADURLUtilities.h"
#include "ads/mediation/GADMAdNetworkConnector.h"
#include "ads/mediation/GADMAdNetworkConnectorProtocol.h"
#include "ads/mediation/GADMCredentials.h"
#include "ads/web/GADAdViewTouchGestureRecognizer.h"
#include "platform/base/LogSink.h"
#include "platform/runtime/ClassRegistry.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/runtime/Timer.h"
#include "platform/ui/View.h"
#include "platform/web/WebContentView.h"
#include "platform/web/WebView.h"

namespace ads {

void GADMAdapterHTML::registerClass() {
    auto& registry = platform::ClassRegistry::shared();
    registry.registerClass<GADMAdNetworkAdapterProtocol>(
        kClassName, "NSObject", {kProtocolName},
        [] { return std::make_shared<GADMAdapterHTML>(); });
    registry.addInstanceCalls(kClassName,
                              {kGetBannerCall, kGetInterstitialCall, kPresentInterstitialCall});
    GADMAdapterClassRecord facts;
    facts.adapterVersion = [] { return std::string(kAdapterVersion); };
    // No network extras: the record's extras class stays empty.
    registry.setClassRecord(kClassName, std::move(facts));
}

GADMAdapterHTML::~GADMAdapterHTML() {
    connector_.reset();
    clearWebView();
}

void GADMAdapterHTML::initWithGADMAdNetworkConnector(
    std::weak_ptr<GADMAdNetworkConnectorProtocol> connector) {
    MOVU_CHECK_MAIN_THREAD();
    connector_ = std::move(connector);
}

platform::Error GADMAdapterHTML::errorWithCode(std::int64_t code, std::string text) {
    return platform::Error::make(kGADErrorDomain, code, std::move(text));
}

void GADMAdapterHTML::fail(std::int64_t code, std::string text) {
    if (auto connector = connector_.lock()) {
        connector->adapterDidFailAd(*this, errorWithCode(code, std::move(text)));
    }
}

void GADMAdapterHTML::getBannerWithSize(const GADAdSize& size) {
    MOVU_CHECK_MAIN_THREAD();
    auto keep = shared_from_this();
    clearWebView();
    // Each request gets the whole allowance of looks, whatever the last one used.
    checkRenderingCount_ = 0;
    auto connector = connector_.lock();
    if (!connector) return;
    const platform::Value::Dictionary credentials = connector->credentials();
    const auto html = credentialString(credentials, kHTMLKey);
    const auto passback = credentialString(credentials, kPassbackURLKey);
    // The passback is checked first: a response that cannot say "no ad" is broken even when
    // its HTML is fine.
    if (passback) {
        if (passback->empty()) return fail(2, "Empty passback URL in TYM response.");
        passbackUrl_ = platform::Url::parse(*passback);
        if (!passbackUrl_) return fail(2, "Invalid passback URL in TYM response.");
    }
    if (!html || html->empty()) return fail(2, "Missing HTML in TYM response.");
    createWebViewWithSize(size);
    // The creative's relative links and scripts resolve against our ad server.
    const platform::Url base = GADAdServerURL("/");
    page()->loadHTMLString(*html, base);
    startRenderingTimer();
}

void GADMAdapterHTML::createWebViewWithSize(const GADAdSize& size) {
    const platform::Size points = CGSizeFromGADAdSize(size);
    view_ = platform::web::WebContentView::create({0, 0, points.width, points.height});
    view_->setClipsToBounds(true);
    view_->setAutoresizingMask(platform::ui::AutoresizingFlexibleWidth |
                               platform::ui::AutoresizingFlexibleHeight);
    view_->setOpaque(false);
    view_->setBackgroundColor(platform::Color::clear());
    // Only a touch makes a followed link a click (and it feeds the click signal, as on our own
    // ad views); it never takes a touch from the page. Each touch is one touch of the slot's
    // ad, told as it comes: the opener's gate lets one click-through through per touch, however
    // many links the page follows after it.
    view_->addGestureRecognizer(
        std::make_shared<GADAdViewTouchGestureRecognizer>([weak = weak_from_this()] {
            auto self = weak.lock();
            if (!self || !self->view_) return;
            self->touched_ = true;
            auto connector =
                std::dynamic_pointer_cast<GADMAdNetworkConnector>(self->connector_.lock());
            if (connector) connector->adapterViewWasTouched(*self, *self->view_);
        }));
    auto webView = platform::web::WebView::create(points);
    platform::web::WebViewSettings settings = webView->settings();
    settings.scalesPageToFit = false;
    settings.clipsToBounds = true;
    settings.showsScrollBars = false;
    settings.opaque = false;
    settings.backgroundColor = platform::Color::clear();
    settings.allowsInlineMediaPlayback = true;
    settings.mediaPlaybackRequiresUserAction = true;
    settings.dataDetectorTypes = 0;
    webView->setSettings(settings);
    webView->setDelegate(weak_from_this());
    view_->setWebView(std::move(webView));
}

std::shared_ptr<platform::web::WebView> GADMAdapterHTML::page() const {
    return view_ ? view_->webView() : nullptr;
}

void GADMAdapterHTML::getInterstitial() {
    MOVU_CHECK_MAIN_THREAD();
    if (auto connector = connector_.lock()) {
        connector->adapterDidFailInterstitial(*this,
                                              errorWithCode(0, "Interstitials not supported."));
    }
}

void GADMAdapterHTML::presentInterstitialFromRootViewController(
    const std::shared_ptr<platform::ui::ViewController>&) {
    getInterstitial();
}

void GADMAdapterHTML::stopBeingDelegate() {
    MOVU_CHECK_MAIN_THREAD();
    if (auto webView = page()) webView->setDelegate({});
    stopRenderingTimer();
}

void GADMAdapterHTML::clearWebView() {
    MOVU_CHECK_MAIN_THREAD();
    stopBeingDelegate();
    // A view already handed over stays with the banner showing it; only our hold goes.
    view_.reset();
    passbackUrl_.reset();
    touched_ = false;
    refusalLogged_ = false;
}

void GADMAdapterHTML::startRenderingTimer() {
    MOVU_CHECK_MAIN_THREAD();
    auto checker = std::make_shared<GADMWebViewRenderedChecker>(page(), weak_from_this());
    checker_ = checker;
    timer_ = platform::Timer::schedule(kRenderingCheckInterval, true,
                                       [checker] { checker->checkIsContentRenderedInWebView(); });
}

void GADMAdapterHTML::stopRenderingTimer() {
    MOVU_CHECK_MAIN_THREAD();
    // Cut loose first: a check running right now reports to no one.
    if (auto checker = checker_.lock()) checker->cutLoose();
    checker_.reset();
    if (timer_) timer_->invalidate();
    timer_.reset();
}

void GADMAdapterHTML::webViewIsRendered(platform::web::WebView& webView, bool rendered) {
    MOVU_CHECK_MAIN_THREAD();
    if (&webView != page().get()) return;
    ++checkRenderingCount_;
    if (rendered) {
        auto keep = shared_from_this();
        stopRenderingTimer();
        if (auto connector = connector_.lock()) connector->adapterDidReceiveAdView(*this, view_);
    } else if (checkRenderingCount_ >= kMaxRenderingChecks) {
        // Given up silently: the waterfall's time-out ends the request.
        stopRenderingTimer();
    }
}

platform::web::NavigationPolicy GADMAdapterHTML::webViewPolicyForNavigation(
    platform::web::WebView& webView, const platform::UrlRequest& request,
    platform::web::NavigationType type) {
    MOVU_CHECK_MAIN_THREAD();
    using platform::web::NavigationPolicy;
    if (&webView != page().get() || request.url().absoluteString().empty()) {
        return NavigationPolicy::Refuse;
    }
    if (!isPassbackRequest(request.url())) {
        if (type != platform::web::NavigationType::LinkClicked ||
            gad_isLocalDocumentURL(request.url())) {
            return NavigationPolicy::Load;
        }
        // After the user's touch a followed link is the click, in a frame or not; before it,
        // a frame's link loads in its frame and only the page's own comes back.
        return touched_ ? NavigationPolicy::HandBack : NavigationPolicy::LoadInFrameOnly;
    }
    auto keep = shared_from_this();
    stopRenderingTimer();
    fail(1, "Ad network returned no ad.");
    return NavigationPolicy::Refuse;
}

void GADMAdapterHTML::webViewDidHoldBackNavigation(platform::web::WebView& webView,
                                                   const platform::UrlRequest& request,
                                                   platform::web::NavigationType) {
    MOVU_CHECK_MAIN_THREAD();
    if (&webView == page().get()) followLink(request.url());
}

void GADMAdapterHTML::followLink(const platform::Url& url) {
    // The banner strip is no browser: a link never loads in it. Only the user's own tap on a
    // web link leaves the app, the way a tap on any of our ads does.
    if (!touched_ || !gad_isWebURL(url)) {
        // Once per request: a page can follow links without end.
        if (!refusalLogged_) {
            platform::LogSink::write(
                "Mediated HTML creative: a link followed without a tap, or to no web page; "
                "nothing opened (later ones are not logged).");
        }
        refusalLogged_ = true;
        return;
    }
    auto keep = shared_from_this();
    auto connector = std::dynamic_pointer_cast<GADMAdNetworkConnector>(connector_.lock());
    if (connector) connector->openClickThroughURL(*this, url);
}

bool GADMAdapterHTML::isPassbackRequest(const platform::Url& url) const {
    if (gad_asciiLowercased(url.scheme()) == kPassbackScheme) return true;
    if (!passbackUrl_) return false;
    // Without a host or a hierarchical path on either side nothing matches. The web view hands
    // hosts over lowercased, the server may have written them in any case.
    for (const platform::Url* side : {&url, &*passbackUrl_}) {
        if (side->isOpaque() || side->host().empty()) return false;
    }
    // One final "/" does not count: "/ad/" and "/ad" name the same passback.
    return gad_asciiLowercased(url.host()) == gad_asciiLowercased(passbackUrl_->host()) &&
           gad_isEquivalentToURLString(url.rawPath(), passbackUrl_->rawPath());
}

}  // namespace ads
