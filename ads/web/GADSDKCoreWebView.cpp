#include "ads/web/GADSDKCoreWebView.h"

#include <algorithm>

#include "ads/foundation/GADCSI.h"
#include "ads/foundation/GADCSITimeRecorder.h"
#include "ads/foundation/GADServiceOrigins.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADAdViewDelegate.h"
#include "ads/web/GADNotification.h"
#include "ads/web/GADSDKCoreGMSGHandler.h"
#include "ads/web/GADSDKCorePageHandlers.h"
#include "platform/net/UrlRequest.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/Timer.h"
#include "platform/runtime/WeakCall.h"

namespace ads {

using State = GADSDKCoreWebViewState;

namespace {

constexpr const char* kCorePagePath = "/mads/static/sdk/native/sdk-core-v40.html";

void post(std::function<void()> task) {
    if (task) platform::MainLoop::main().post(std::move(task));
}

}  // namespace

platform::Url GADSDKCoreWebView::pageURL() {
    return GADAdServerURL(kCorePagePath);
}

std::shared_ptr<GADSDKCoreWebView> GADSDKCoreWebView::create(std::shared_ptr<GADCSI> csi) {
    if (!csi) csi = GADCSI::sharedInstance();
    auto webView = std::make_shared<GADSDKCoreWebView>(Private{}, std::move(csi));
    webView->setUp();
    return webView;
}

GADSDKCoreWebView::GADSDKCoreWebView(Private, std::shared_ptr<GADCSI> csi)
    : csi_(std::move(csi)), locked_(std::make_shared<Locked>()) {}

std::shared_ptr<GADCSITimeRecorder> GADSDKCoreWebView::loadAdRecorder() const {
    return csi_ ? csi_->timeRecorderForAction(kLoadAdAction) : nullptr;
}

void GADSDKCoreWebView::setUp() {
    adViewDelegate_ =
        GADAdViewDelegate::create(nullptr, GADSDKCorePageHandlers().leadingHandlers({}));
    activeViewHandler_ = GADActiveViewGMSGHandler::create();
    activeViewHandler_->setDelegate(weak_from_this());
    handler_ = GADSDKCoreGMSGHandler::create();
    handler_->setSDKCoreWebView(weak_from_this());
    // The page is never shown; one point is all the engine needs to run it. It runs in the
    // program's own context, so no creative can hold up its requests or its process.
    adView_ = GADAdView::create({0, 0, 1, 1}, platform::web::WebViewContext::Service);
    adView_->setDelegate(weak_from_this());
}

GADSDKCoreWebView::~GADSDKCoreWebView() {
    if (loadTimer_) loadTimer_->invalidate();
    if (adView_) {
        adView_->setDelegate({});
        // The placeholder window holds every ad view until it is taken out.
        adView_->removeFromSuperview();
    }
}

// State

GADSDKCoreWebViewState GADSDKCoreWebView::state() const {
    State state = State::Idle;
    lockQueue_.sync([&, locked = locked_] { state = locked->state; });
    return state;
}

bool GADSDKCoreWebView::hasSDKCoreLoadedAtLeastOnce() const {
    bool loaded = false;
    lockQueue_.sync([&, locked = locked_] { loaded = locked->hasSDKCoreLoadedAtLeastOnce; });
    return loaded;
}

void GADSDKCoreWebView::setState(State state) {
    lockQueue_.async([locked = locked_, state] { locked->state = state; });
}

// Loading

void GADSDKCoreWebView::refreshSDKCoreAndNotifyObserver(
    std::weak_ptr<GADSDKCoreWebViewObserver> observer) {
    post(platform::weakCall(weak_from_this(), [observer](GADSDKCoreWebView& self) {
        const State state = self.state();
        if (state != State::LoadRequested && state != State::Loading) {
            self.handler_->pageDidEnd();
            self.setState(State::LoadRequested);
            if (auto recorder = self.loadAdRecorder()) recorder->startTimingVariable("jsf_ios");
            self.startLoadTimer();
            self.adView_->loadRequest(platform::UrlRequest(pageURL()));
        }
        self.addObserverForOneTimeNotification(observer);
    }));
}

void GADSDKCoreWebView::startLoadTimer() {
    if (loadTimer_) loadTimer_->invalidate();
    const std::uint64_t load = ++loadNumber_;
    loadTimer_ = platform::Timer::schedule(
        kLoadTimeout, false,
        std::function<void()>(platform::weakCall(
            weak_from_this(), [load](GADSDKCoreWebView& self) { self.loadTimedOut(load); })));
}

void GADSDKCoreWebView::loadTimedOut(std::uint64_t load) {
    if (load != loadNumber_) return;
    const State state = this->state();
    if (state != State::LoadRequested && state != State::Loading) return;
    // A page that never ends loading would keep every request waiting.
    adView_->webView()->stopLoading();
    loadDidFail();
    notifyAllObserversOnlyOnceThatSDKCoreRequestIsFinished();
}

void GADSDKCoreWebView::loadDidFail() {
    handler_->pageDidEnd();
    if (loadTimer_) loadTimer_->invalidate();
    loadTimer_.reset();
    if (auto recorder = loadAdRecorder()) recorder->cancelTimingVariable("jsf_ios");
    lockQueue_.async([locked = locked_] {
        locked->state = State::Failed;
        for (auto& command : locked->pendingJSCommands) post(std::move(command.dropped));
        locked->pendingJSCommands.clear();
    });
}

void GADSDKCoreWebView::addObserverForOneTimeNotification(
    std::weak_ptr<GADSDKCoreWebViewObserver> observer) {
    if (observer.expired()) return;
    lockQueue_.async([locked = locked_, observer, weakSelf = weak_from_this()] {
        auto added = observer.lock();
        if (!added) return;
        const bool known = std::any_of(locked->observers.begin(), locked->observers.end(),
                                       [&](const auto& o) { return o.lock() == added; });
        if (!known) locked->observers.push_back(observer);
        if (locked->state == State::Ready || locked->state == State::Failed) {
            notifyObserversLocked(*locked, weakSelf);
        }
    });
}

void GADSDKCoreWebView::removeObserver(const GADSDKCoreWebViewObserver* observer) {
    lockQueue_.sync([locked = locked_, observer] {
        std::erase_if(locked->observers, [&](const auto& o) {
            auto live = o.lock();
            return !live || live.get() == observer;
        });
    });
}

void GADSDKCoreWebView::notifyAllObserversOnlyOnceThatSDKCoreRequestIsFinished() {
    lockQueue_.async([locked = locked_, weakSelf = weak_from_this()] {
        notifyObserversLocked(*locked, weakSelf);
    });
}

void GADSDKCoreWebView::notifyObserversLocked(Locked& locked,
                                              const std::weak_ptr<GADSDKCoreWebView>& weakSelf) {
    if (locked.state == State::LoadRequested || locked.state == State::Loading) return;
    for (auto& observer : locked.observers) {
        post([observer, weakSelf] {
            auto self = weakSelf.lock();
            auto target = observer.lock();
            if (self && target) target->didFinishLoadingSDKCoreInSDKCoreWebView(self);
        });
    }
    locked.observers.clear();
}

// Script calls

void GADSDKCoreWebView::enqueueJavaScriptCommand(std::string command, std::function<void()> dropped,
                                                 std::shared_ptr<const void> hold) {
    lockQueue_.async([locked = locked_, command = Command{std::move(command), std::move(dropped),
                                                          std::move(hold)}]() mutable {
        if (locked->state == State::Failed) {
            post(command.dropped);
            return;
        }
        if (locked->pendingJSCommands.size() >= kMaxPendingJavaScriptCommands) {
            post(std::move(locked->pendingJSCommands.front().dropped));
            locked->pendingJSCommands.erase(locked->pendingJSCommands.begin());
        }
        locked->pendingJSCommands.push_back(std::move(command));
    });
    dispatchPendingJavaScriptCommands();
}

void GADSDKCoreWebView::dispatchPendingJavaScriptCommands() {
    lockQueue_.async([locked = locked_, weakSelf = weak_from_this()] {
        if (locked->state != State::Ready) return;
        for (auto& command : locked->pendingJSCommands) {
            post([weakSelf, script = std::move(command.script), hold = std::move(command.hold)] {
                if (auto self = weakSelf.lock()) {
                    self->adView_->executeJavaScriptAsynchronouslyFromString(script);
                }
            });
        }
        locked->pendingJSCommands.clear();
    });
}

void GADSDKCoreWebView::postJSNotification(const std::string& name,
                                           const platform::Value::Dictionary* userInfo) {
    adView_->postJSNotification(name, userInfo);
}

// The ad view's calls

bool GADSDKCoreWebView::adViewShouldStartLoadWithRequest(
    const std::shared_ptr<GADAdView>& adView, const platform::UrlRequest& request,
    platform::web::NavigationType navigationType) {
    const State state = this->state();
    if (state == State::Loading) return false;
    if (request.url().absoluteString() == pageURL().absoluteString()) {
        setState(State::Loading);
        return true;
    }
    if (state != State::Ready || !GADNotification::isNotificationURL(request.url())) return false;
    auto keep = shared_from_this();
    if (handler_->handleRequest(request, adView)) return false;
    if (activeViewHandler_->handleRequest(request, adView)) return false;
    return adViewDelegate_->adViewShouldStartLoadWithRequest(adView, request, navigationType);
}

void GADSDKCoreWebView::adViewDidFinishLoad(const std::shared_ptr<GADAdView>& adView) {
    auto keep = shared_from_this();
    if (state() == State::Loading) {
        if (loadTimer_) loadTimer_->invalidate();
        loadTimer_.reset();
        if (auto recorder = loadAdRecorder()) recorder->endTimingVariable("jsf_ios");
        lockQueue_.async([locked = locked_] {
            locked->state = State::Ready;
            locked->hasSDKCoreLoadedAtLeastOnce = true;
        });
    }
    adViewDelegate_->adViewDidFinishLoad(adView);
    dispatchPendingJavaScriptCommands();
    notifyAllObserversOnlyOnceThatSDKCoreRequestIsFinished();
}

void GADSDKCoreWebView::adViewDidFailLoadWithError(const std::shared_ptr<GADAdView>& adView,
                                                   const platform::Error& error) {
    auto keep = shared_from_this();
    // Whatever URL failed: while the page loads, the main frame is the page.
    const State state = this->state();
    if (state == State::LoadRequested || state == State::Loading) loadDidFail();
    adViewDelegate_->adViewDidFailLoadWithError(adView, error);
    notifyAllObserversOnlyOnceThatSDKCoreRequestIsFinished();
}

void GADSDKCoreWebView::adViewWebProcessDidEnd(const std::shared_ptr<GADAdView>& adView,
                                               const platform::Error& error) {
    auto keep = shared_from_this();
    // A load under way has failed already; a loaded page is gone now, and what waits for it
    // to be ready or to run would wait for nothing.
    if (state() == State::Ready) {
        loadDidFail();
        notifyAllObserversOnlyOnceThatSDKCoreRequestIsFinished();
    }
    adViewDelegate_->adViewWebProcessDidEnd(adView, error);
    post([observer = pageEndObserver_, weakSelf = weak_from_this()] {
        auto self = weakSelf.lock();
        auto target = observer.lock();
        if (self && target) target->SDKCoreWebViewPageDidEnd(self);
    });
}

// Active-view units

void GADSDKCoreWebView::setActiveViewObserver(std::weak_ptr<GADAdViewActiveViewMonitoring> observer,
                                              std::uint64_t activeViewID) {
    lockQueue_.async([locked = locked_, observer, activeViewID] {
        if (observer.expired()) return;
        auto found = locked->activeViewObservers.find(activeViewID);
        if (found != locked->activeViewObservers.end() && !found->second.expired()) return;
        locked->activeViewObservers[activeViewID] = observer;
        locked->runningActiveViewObservers.insert(activeViewID);
    });
}

void GADSDKCoreWebView::removeActiveViewObserverForActiveViewID(std::uint64_t activeViewID) {
    lockQueue_.sync(
        [locked = locked_, activeViewID] { locked->activeViewObservers.erase(activeViewID); });
}

void GADSDKCoreWebView::clearAllActiveViewInstances() {
    std::vector<std::weak_ptr<GADAdViewActiveViewMonitoring>> observers;
    lockQueue_.sync([&, locked = locked_] {
        locked->runningActiveViewObservers.clear();
        for (auto& [id, observer] : locked->activeViewObservers) observers.push_back(observer);
        locked->activeViewObservers.clear();
    });
    for (auto& observer : observers) {
        if (auto live = observer.lock()) live->adViewDidStopActiveViewMonitoring();
    }
}

bool GADSDKCoreWebView::isActiveViewRunning() const {
    bool running = false;
    lockQueue_.sync(
        [&, locked = locked_] { running = !locked->runningActiveViewObservers.empty(); });
    return running;
}

void GADSDKCoreWebView::activeViewGMSGHandlerDidReceiveVisibilityNotification(
    GADActiveViewGMSGHandler&, bool visible, std::uint64_t activeViewID) {
    std::weak_ptr<GADAdViewActiveViewMonitoring> observer;
    lockQueue_.sync([&, locked = locked_] {
        auto found = locked->activeViewObservers.find(activeViewID);
        if (found != locked->activeViewObservers.end()) observer = found->second;
    });
    if (observer.expired()) return;
    post([observer, visible] {
        if (auto live = observer.lock()) live->adViewDidChangeActiveViewVisibility(visible);
    });
}

void GADSDKCoreWebView::activeViewGMSGHandlerDidReceiveUntrackNotification(
    GADActiveViewGMSGHandler&, std::uint64_t activeViewID) {
    std::weak_ptr<GADAdViewActiveViewMonitoring> observer;
    lockQueue_.sync([&, locked = locked_] {
        auto found = locked->activeViewObservers.find(activeViewID);
        if (found != locked->activeViewObservers.end()) {
            observer = found->second;
            locked->activeViewObservers.erase(found);
        }
        locked->runningActiveViewObservers.erase(activeViewID);
    });
    if (observer.expired()) return;
    post([observer] {
        if (auto live = observer.lock()) live->adViewDidStopActiveViewMonitoring();
    });
}

}  // namespace ads
