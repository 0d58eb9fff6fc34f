#include "ads/web/GADAdViewDelegate.h"

#include "ads/foundation/GADDevice.h"
#include "ads/foundation/GADSettings.h"
#include "ads/foundation/GADStringAdditions.h"
#include "ads/foundation/GADURLUtilities.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADCSIGMSGHandler.h"
#include "ads/web/GADPagePings.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/NotificationCenter.h"
#include "platform/ui/Application.h"

namespace ads {

std::shared_ptr<GADAdViewDelegate> GADAdViewDelegate::create(
    std::shared_ptr<GADOpenerProtocol> opener, HandlerList leadingHandlers) {
    return std::make_shared<GADAdViewDelegate>(Private{}, std::move(opener),
                                               std::move(leadingHandlers));
}

GADAdViewDelegate::GADAdViewDelegate(Private, std::shared_ptr<GADOpenerProtocol> opener,
                                     HandlerList leadingHandlers)
    : opener_(std::move(opener)) {
    for (auto& handler : leadingHandlers) addGMSGHandler(std::move(handler));
    // Every ad page may report its own timings.
    handlers_.push_back(GADCSIGMSGHandler::create());
}

GADAdViewDelegate::~GADAdViewDelegate() {
    // A screen the opener put up may keep it alive after this page is gone.
    if (opener_) {
        opener_->setViewController({});
        opener_->setAdView({});
        opener_->clearSlot();
    }
}

bool GADAdViewDelegate::adViewShouldStartLoadWithRequest(const std::shared_ptr<GADAdView>& adView,
                                                         const platform::UrlRequest& request,
                                                         platform::web::NavigationType type) {
    if (!allowedByPageRules(adView, request, type)) return false;
    const platform::Url& url = request.url();
    if (adView && gad_isWebURL(url) && adView->URL() != url) adView->setURL(url, adView);
    return true;
}

bool GADAdViewDelegate::allowedByPageRules(const std::shared_ptr<GADAdView>& adView,
                                           const platform::UrlRequest& request,
                                           platform::web::NavigationType type) {
    const platform::Url& url = request.url();
    if (url.absoluteString().empty()) return false;
    pointOpenerAt(adView, url);
    const std::string scheme = gad_asciiLowercased(url.scheme());

    if (type == platform::web::NavigationType::LinkClicked) {
        if (url.fragment() && adView) {
            const auto shown = adView->webView()->url();
            if (shown && gad_absoluteStringWithoutFragmentComponent(url) ==
                             gad_absoluteStringWithoutFragmentComponent(*shown)) {
                return false;
            }
        }
        if (scheme.rfind("http", 0) == 0 && opener_ && opener_->isSlotMRAIDEnabled()) {
            opener_->openBrowserToURL(url, GADOpenerProtocol::kAllOrientations);
            return false;
        }
    }

    if (GADNotification::isNotificationURL(url)) {
        handleGMSGURL(url, adView);
        return false;
    }
    if (scheme == "mailto") {
        if (opener_) opener_->openEmailComposer(url);
        return false;
    }
    if (scheme == "sms") {
        if (opener_) opener_->openSmsComposer(url);
        return false;
    }
    if (scheme == "file") return false;
    // Made in place without the network: it loads where it is asked for, a frame's or the
    // page's, and is nobody's click (the desktop opens none of these).
    if (gad_isLocalDocumentURL(url)) return true;
    if (scheme == "deeplink+" && GADSettings().deeplinkplusEnabled()) {
        handleDeeplinkPlusURL(url, adView);
        return false;
    }
    if (!gad_isWebURL(url)) {
        if (opener_) opener_->openApp(url);
        return false;
    }
    return true;
}

bool GADAdViewDelegate::adViewShouldFollowRedirect(const std::shared_ptr<GADAdView>& adView,
                                                   const platform::UrlRequest& request,
                                                   platform::web::NavigationType) {
    return GADAdViewDelegate::adViewShouldStartLoadWithRequest(
        adView, request, platform::web::NavigationType::Other);
}

void GADAdViewDelegate::pointOpenerAt(const std::shared_ptr<GADAdView>& adView,
                                      const platform::Url& url) {
    if (!opener_) return;
    opener_->setNavigationURL(url.absoluteString());
    opener_->setViewController(adView ? adView->viewController() : nullptr);
    opener_->setAdView(adView);
}

platform::web::NavigationPolicy GADAdViewDelegate::policyForClick(
    const std::shared_ptr<GADAdView>& adView, const platform::UrlRequest& request,
    platform::web::NavigationType type) {
    using platform::web::NavigationPolicy;
    if (!allowedByPageRules(adView, request, type)) return NavigationPolicy::Refuse;
    // Allowed by the rules: a web page, or a document made in place, which goes nowhere and
    // loads where it is asked for (an srcdoc frame, a frame of the page's own data). An empty
    // one only ever takes the place of what shows: a frame starts with one without asking, so
    // what a touch is followed by is the page blanking itself.
    const platform::Url& url = request.url();
    if (gad_isLocalDocumentURL(url)) {
        const bool empty =
            gad_asciiLowercased(url.scheme()) == "about" && url.absoluteString() != "about:srcdoc";
        return empty ? NavigationPolicy::Refuse : NavigationPolicy::Load;
    }
    if (!opener_) return NavigationPolicy::Refuse;
    // A link the user followed after touching the ad is the click, whichever frame it was in;
    // anything else a frame does (its script's address, a refresh) loads in that frame.
    return type == platform::web::NavigationType::LinkClicked ? NavigationPolicy::HandBack
                                                              : NavigationPolicy::LoadInFrameOnly;
}

void GADAdViewDelegate::openClick(
    const std::shared_ptr<GADAdView>& adView, const platform::Url& url,
    const std::function<platform::Url(const platform::Url&)>& clickURL) {
    if (!gad_isWebURL(url) || !opener_) return;
    pointOpenerAt(adView, url);
    opener_->setReferringURL(adView ? adView->webView()->url() : std::nullopt);
    opener_->openApp(clickURL ? clickURL(url) : url);
}

void GADAdViewDelegate::handleDeeplinkPlusURL(const platform::Url& url,
                                              const std::shared_ptr<GADAdView>& adView) {
    if (url.host() != "navigate") return;
    const auto primaryText = gad_parameterValueForKey(url, "primaryUrl");
    const auto primary = primaryText ? platform::Url::parse(*primaryText) : std::nullopt;
    if (!primary || !primary->hasScheme()) return;

    std::optional<platform::Url> target;
    std::optional<std::vector<std::string>> tracking;
    bool canOpenPrimary = false;
    if (const auto openable = GADDevice::sharedInstance()->canOpenURLs({*primaryText})) {
        const auto answer = openable->find(*primaryText);
        canOpenPrimary = answer != openable->end() && answer->second;
    }
    if (canOpenPrimary) {
        target = primary;
        tracking = gad_parameterValuesForKey(url, "primaryTrackingUrl");
    } else {
        if (const auto fallback = gad_parameterValueForKey(url, "fallbackUrl")) {
            target = platform::Url::parse(*fallback);
            if (target && !target->hasScheme()) target.reset();
        }
        tracking = gad_parameterValuesForKey(url, "fallbackTrackingUrl");
    }
    if (tracking) pingTrackingURLs(*tracking, adView);
    if (target && opener_) opener_->openApp(*target);
}

void GADAdViewDelegate::pingTrackingURLs(const std::vector<std::string>& texts,
                                         const std::shared_ptr<GADAdView>& adView) {
    // Tracking URLs come from the page: only web addresses are fetched, within its budget.
    for (const auto& text : texts) {
        if (auto url = gad_webURLFromString(text)) GADPagePings::shared().ping(adView, *url);
    }
}

void GADAdViewDelegate::adViewDidFinishLoad(const std::shared_ptr<GADAdView>& adView) {
    if (adView) {
        adView->forceRotateToOrientation(
            platform::ui::Application::shared().statusBarOrientation());
    }
    hasLoadedAtLeastOnce_ = true;
}

void GADAdViewDelegate::addGMSGHandler(std::shared_ptr<GADGMSGHandler> handler) {
    if (handler) handlers_.push_back(std::move(handler));
}

void GADAdViewDelegate::handleGMSGURL(const platform::Url& url,
                                      const std::shared_ptr<GADAdView>& adView) {
    // The copy is taken here, on the main thread that owns the list, so the parse queue never
    // reads the list while a handler is added.
    parseQueue_.async([url, handlers = handlers_, view = std::weak_ptr<GADAdView>(adView),
                       hadAdView = adView != nullptr]() mutable {
        auto note = GADNotification::createWithNotificationURL(url);
        if (!note) {
            // Handlers may own views and timers: their last reference goes on the main thread.
            platform::MainLoop::main().post([handlers = std::move(handlers)] {});
            return;
        }
        platform::MainLoop::main().post([handlers = std::move(handlers), note = std::move(note),
                                         view = std::move(view),
                                         hadAdView] { dispatch(handlers, note, view, hadAdView); });
    });
}

void GADAdViewDelegate::dispatch(const HandlerList& handlers,
                                 const std::shared_ptr<const GADNotification>& note,
                                 const std::weak_ptr<GADAdView>& adView, bool hadAdView) {
    auto view = adView.lock();
    if (hadAdView && !view) return;
    for (const auto& handler : handlers) {
        if (handler->handleNotification(note, view)) return;
    }
    // Posted a turn later, after the main-loop work already waiting; the view may go meanwhile,
    // and a notification must never name an object that no longer exists.
    platform::MainLoop::main().post([note, adView, hadAdView] {
        auto view = adView.lock();
        if (hadAdView && !view) return;
        platform::NotificationCenter::defaultCenter().post(note->name(),
                                                           static_cast<const void*>(view.get()),
                                                           platform::Value(note->parameters()));
    });
}

}  // namespace ads
