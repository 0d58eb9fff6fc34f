#include "ads/web/GADAdViewDelegate.h"

#include "ads/web/GADAdView.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/NotificationCenter.h"
#include "platform/ui/Application.h"

namespace ads {

std::shared_ptr<GADAdViewDelegate> GADAdViewDelegate::create() {
    return std::make_shared<GADAdViewDelegate>(Private{});
}

GADAdViewDelegate::GADAdViewDelegate(Private) {}

GADAdViewDelegate::~GADAdViewDelegate() = default;

bool GADAdViewDelegate::adViewShouldStartLoadWithRequest(const std::shared_ptr<GADAdView>& adView,
                                                         const platform::UrlRequest& request,
                                                         platform::web::NavigationType) {
    if (!GADNotification::isNotificationURL(request.url())) return true;
    handleGMSGURL(request.url(), adView);
    return false;
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
