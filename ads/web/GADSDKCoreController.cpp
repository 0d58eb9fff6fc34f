#include "ads/web/GADSDKCoreController.h"

#include <algorithm>

#include "ads/foundation/GADAbsoluteTime.h"
#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADBannerAd.h"
#include "ads/foundation/GADCSI.h"
#include "ads/foundation/GADCSITimeRecorder.h"
#include "ads/foundation/GADInterstitialAd.h"
#include "ads/foundation/GADJSONAdditions.h"
#include "ads/foundation/GADLogger.h"
#include "platform/base/StringEscaping.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/runtime/Timer.h"
#include "platform/runtime/WeakCall.h"
#include "platform/storage/Json.h"

namespace ads {

using platform::Value;
using State = GADSDKCoreWebViewState;

std::mutex& GADSDKCoreController::sharedMutex() {
    static auto* mutex = new std::mutex;
    return *mutex;
}

std::shared_ptr<GADSDKCoreController>& GADSDKCoreController::sharedSlot() {
    static auto* slot = new std::shared_ptr<GADSDKCoreController>;
    return *slot;
}

std::shared_ptr<GADSDKCoreController> GADSDKCoreController::sharedInstance() {
    std::lock_guard lock(sharedMutex());
    auto& shared = sharedSlot();
    if (!shared) shared = create();
    return shared;
}

std::shared_ptr<GADSDKCoreController> GADSDKCoreController::create(std::shared_ptr<GADCSI> csi) {
    if (!csi) csi = GADCSI::sharedInstance();
    auto controller = std::make_shared<GADSDKCoreController>(Private{}, std::move(csi));
    controller->setUp();
    return controller;
}

GADSDKCoreController::GADSDKCoreController(Private, std::shared_ptr<GADCSI> csi)
    : csi_(std::move(csi)), locked_(std::make_shared<Locked>()) {}

void GADSDKCoreController::setUp() {
    activeSDKCoreWebView_ = GADSDKCoreWebView::create(csi_);
    activeSDKCoreWebView_->SDKCoreGMSGHandler()->setDelegate(weak_from_this());
    activeSDKCoreWebView_->setPageEndObserver(weak_from_this());
}

GADSDKCoreController::~GADSDKCoreController() {
    for (auto& [ticket, timer] : timeouts_) timer->invalidate();
    // Web views belong to the main thread: they go here, not with the last queued task.
    std::vector<std::shared_ptr<GADSDKCoreWebView>> webViews;
    lockQueue_.sync([&, locked = locked_] {
        webViews = std::move(locked->activeViewSDKCoreWebViews);
        if (locked->activeViewSDKCoreWebView) {
            webViews.push_back(std::move(locked->activeViewSDKCoreWebView));
        }
    });
}

std::shared_ptr<GADCSITimeRecorder> GADSDKCoreController::loadAdRecorder() const {
    return csi_ ? csi_->timeRecorderForAction(GADSDKCoreWebView::kLoadAdAction) : nullptr;
}

std::string GADSDKCoreController::timingKey(const char* name, const Request& request) {
    return name + std::to_string(request.CSIIdentifier);
}

std::size_t GADSDKCoreController::pendingBuildAdURLDelegateCount() const {
    std::size_t count = 0;
    lockQueue_.sync([&, locked = locked_] { count = locked->pendingBuildAdURLDelegates.size(); });
    return count;
}

// Building an ad URL

void GADSDKCoreController::buildAdURL(
    const std::shared_ptr<GADSDKCoreControllerDelegate>& delegate) {
    MOVU_CHECK_MAIN_THREAD();
    if (!delegate) return;
    Request request{delegate, delegate->CSIIdentifier(), nextTicket_++};
    if (auto recorder = loadAdRecorder()) {
        recorder->startTimingVariable("rur_ios", timingKey("rur_ios", request));
    }
    timeouts_[request.ticket] = platform::Timer::schedule(
        kRequestTimeout, false,
        std::function<void()>(platform::weakCall(
            weak_from_this(), [ticket = request.ticket](GADSDKCoreController& self) {
                self.requestTimedOut(ticket);
            })));
    lockQueue_.async([locked = locked_, request] {
        locked->pendingActiveWebViewLoadDelegates.push_back(request);
    });
    attemptToRefreshActiveWebViewSDKCore();
}

void GADSDKCoreController::attemptToRefreshActiveWebViewSDKCore() {
    const std::uint64_t now = GADAbsoluteTime::absoluteTimeInMilliseconds();
    bool stale = false;
    lockQueue_.sync([&, locked = locked_] {
        // Unsigned on purpose: a timestamp later than now counts as stale.
        stale = now - locked->lastWebViewRefreshTimestamp > kRefreshIntervalMilliseconds;
    });
    const State state = activeSDKCoreWebView_->state();
    if (state == State::Idle || state == State::Failed || stale) {
        refreshActiveWebViewSDKCore();
    } else {
        observeSDKCoreWebViewForSDKCoreLoadRequestCompleted();
    }
}

void GADSDKCoreController::refreshActiveWebViewSDKCore() {
    // A reload ends the page that was to answer the requests already sent: they are told now
    // rather than left to their time-out.
    std::map<std::string, Request> orphaned;
    lockQueue_.sync([&, locked = locked_] { orphaned.swap(locked->pendingBuildAdURLDelegates); });
    for (auto& [id, request] : orphaned) {
        answerLater(request, [](GADSDKCoreControllerDelegate& d) { d.failedJavaScriptFile(); });
    }
    activeSDKCoreWebView_->refreshSDKCoreAndNotifyObserver(weak_from_this());
    const std::uint64_t now = GADAbsoluteTime::absoluteTimeInMilliseconds();
    lockQueue_.async([locked = locked_, now] {
        locked->SDKConstantsNeedReload = true;
        locked->lastWebViewRefreshTimestamp = now;
    });
}

void GADSDKCoreController::observeSDKCoreWebViewForSDKCoreLoadRequestCompleted() {
    activeSDKCoreWebView_->addObserverForOneTimeNotification(weak_from_this());
}

void GADSDKCoreController::didFinishLoadingSDKCoreInSDKCoreWebView(
    const std::shared_ptr<GADSDKCoreWebView>& webView) {
    MOVU_CHECK_MAIN_THREAD();
    if (webView != activeSDKCoreWebView_) return;
    const State state = webView->state();
    const bool loadedOnce = webView->hasSDKCoreLoadedAtLeastOnce();
    bool askForConstants = false;
    std::vector<Request> ready;
    std::vector<Request> failed;
    bool stillWaiting = false;
    lockQueue_.sync([&, locked = locked_] {
        askForConstants = locked->SDKConstantsNeedReload && state == State::Ready;
        if (state == State::Ready) {
            ready.swap(locked->pendingActiveWebViewLoadDelegates);
        } else if (state == State::Failed) {
            failed.swap(locked->pendingActiveWebViewLoadDelegates);
        }
        // While the page has never loaded, its age counts from the clock's origin, so the
        // next request loads it again.
        if (!loadedOnce) locked->lastWebViewRefreshTimestamp = 0;
        stillWaiting = !locked->pendingActiveWebViewLoadDelegates.empty();
    });
    if (askForConstants) {
        const std::string arguments =
            platform::Json::write(Value::dictionary({{"js", Value(kSDKCoreJSVersion)}})).value();
        webView->enqueueJavaScriptCommand("RADE_getSdkConstants(" + arguments + ");");
    }
    for (auto& request : ready) {
        // Whatever the request reads of views, windows and its requester is read here, on the
        // main thread.
        std::string id = std::to_string(nextRequestID_++);
        GADSDKCoreControllerDelegate::RequestParametersBuilder parameters;
        if (auto delegate = request.delegate.lock()) {
            parameters = delegate->requestParametersWithRequestID(id);
        }
        asynchronouslyRequestURLForDelegate(std::move(request), std::move(id),
                                            std::move(parameters));
    }
    for (auto& request : failed) {
        answerLater(request, [](GADSDKCoreControllerDelegate& d) { d.failedJavaScriptFile(); });
    }
    if (stillWaiting) observeSDKCoreWebViewForSDKCoreLoadRequestCompleted();
}

void GADSDKCoreController::SDKCoreWebViewPageDidEnd(
    const std::shared_ptr<GADSDKCoreWebView>& webView) {
    MOVU_CHECK_MAIN_THREAD();
    if (webView != activeSDKCoreWebView_) return;
    // The page took the calls it was sent with it. A creative that brought the process down
    // must not cost the requests waiting on the page: they go again, in the order they were
    // asked, to a page loaded in its place (their time-outs still count from the asking).
    bool waiting = false;
    lockQueue_.sync([&, locked = locked_] {
        std::vector<Request> unanswered;
        for (auto& [id, request] : locked->pendingBuildAdURLDelegates) {
            unanswered.push_back(std::move(request));
        }
        locked->pendingBuildAdURLDelegates.clear();
        std::sort(unanswered.begin(), unanswered.end(),
                  [](const Request& a, const Request& b) { return a.ticket < b.ticket; });
        auto& ready = locked->pendingActiveWebViewLoadDelegates;
        ready.insert(ready.begin(), unanswered.begin(), unanswered.end());
        // Viewability pages ran in the same process: the next monitor gets a new one.
        locked->SDKCoreUpdateHandled = false;
        waiting = !ready.empty();
    });
    if (waiting) refreshActiveWebViewSDKCore();
}

std::optional<std::string> GADSDKCoreController::adRequestParameterJSONFromParameters(
    const std::optional<Value::Dictionary>& parameters) {
    if (!parameters) return std::nullopt;
    const Value safe = gad_JSONSafeDictionary(Value(*parameters));
    return gad_JSONString(safe, false).value_or("");
}

void GADSDKCoreController::asynchronouslyRequestURLForDelegate(
    Request request, std::string id,
    GADSDKCoreControllerDelegate::RequestParametersBuilder builder) {
    requestURLQueue_.async([weakSelf = weak_from_this(), request = std::move(request),
                            id = std::move(id), builder = std::move(builder)] {
        auto self = weakSelf.lock();
        if (!self) return;
        const auto parameters = builder ? builder() : std::nullopt;
        const auto json = adRequestParameterJSONFromParameters(parameters);
        const bool mediation = parameters && parameters->count("zivivu-ad-url-mediation") > 0;
        // The controller is a main-thread object: its last reference is never dropped here.
        platform::MainLoop::main().post([self] {});
        if (!json || json->empty()) {
            // Nothing the page could take: the requester hears so instead of waiting.
            self->answerLater(
                request, [](GADSDKCoreControllerDelegate& d) { d.invalidJavaScriptRequest(); });
            return;
        }
        const std::string function = mediation ? "RADE_getAdapterLessMediationAd" : "RADE_getAd";
        self->lockQueue_.sync(
            [&, locked = self->locked_] { locked->pendingBuildAdURLDelegates[id] = request; });
        self->activeSDKCoreWebView_->enqueueJavaScriptCommand(
            function + "(" + *json + ");",
            platform::weakCall(weakSelf,
                               [id](GADSDKCoreController& c) { c.failRequestWithID(id); }));
    });
}

// Answers

std::optional<GADSDKCoreController::Request> GADSDKCoreController::takeRequest(
    const std::optional<std::string>& requestID) {
    if (!requestID) return std::nullopt;
    std::optional<Request> request;
    lockQueue_.sync([&, locked = locked_] {
        auto found = locked->pendingBuildAdURLDelegates.find(*requestID);
        if (found == locked->pendingBuildAdURLDelegates.end()) return;
        request = std::move(found->second);
        locked->pendingBuildAdURLDelegates.erase(found);
    });
    return request;
}

void GADSDKCoreController::answer(const Request& request,
                                  const std::function<void(GADSDKCoreControllerDelegate&)>& call) {
    if (auto timer = timeouts_.extract(request.ticket)) timer.mapped()->invalidate();
    if (auto delegate = request.delegate.lock()) call(*delegate);
}

void GADSDKCoreController::answerLater(Request request,
                                       std::function<void(GADSDKCoreControllerDelegate&)> call) {
    platform::MainLoop::main().post(platform::weakCall(
        weak_from_this(), [request = std::move(request), call = std::move(call)](
                              GADSDKCoreController& self) { self.answer(request, call); }));
}

void GADSDKCoreController::failRequestWithID(const std::string& requestID) {
    auto request = takeRequest(requestID);
    if (!request) return;
    answer(*request, [](GADSDKCoreControllerDelegate& d) { d.failedJavaScriptFile(); });
}

void GADSDKCoreController::requestTimedOut(std::uint64_t ticket) {
    std::optional<Request> request;
    lockQueue_.sync([&, locked = locked_] {
        auto& waiting = locked->pendingActiveWebViewLoadDelegates;
        for (auto it = waiting.begin(); it != waiting.end(); ++it) {
            if (it->ticket == ticket) {
                request = std::move(*it);
                waiting.erase(it);
                return;
            }
        }
        auto& sent = locked->pendingBuildAdURLDelegates;
        for (auto it = sent.begin(); it != sent.end(); ++it) {
            if (it->second.ticket == ticket) {
                request = std::move(it->second);
                sent.erase(it);
                return;
            }
        }
    });
    timeouts_.erase(ticket);
    if (!request) return;
    answer(*request, [](GADSDKCoreControllerDelegate& d) { d.SDKCoreRequestDidTimeOut(); });
}

void GADSDKCoreController::SDKCoreGMSGHandlerLoadAdURLWithRequestID(
    GADSDKCoreGMSGHandler&, const std::optional<std::string>& requestID,
    const Value::Dictionary& parameters) {
    MOVU_CHECK_MAIN_THREAD();
    auto request = takeRequest(requestID);
    if (!request) return;
    if (auto recorder = loadAdRecorder()) {
        recorder->endTimingVariable("rur_ios", timingKey("rur_ios", *request));
    }
    answerLater(*request, [parameters, key = timingKey("nwl_ios", *request),
                           recorder = loadAdRecorder()](GADSDKCoreControllerDelegate& delegate) {
        if (recorder) recorder->startTimingVariable("nwl_ios", key);
        delegate.loadAdURLWithParameters(parameters);
    });
}

std::shared_ptr<GADAd> GADSDKCoreController::adFromFetchedAd(GADRequestedAdType type,
                                                             const Value& fetchedAd) {
    if (!fetchedAd.isDictionary()) return nullptr;
    std::shared_ptr<GADAd> ad;
    switch (type) {
        case GADRequestedAdType::Generic:
            ad = GADAd::createWithDictionary(fetchedAd);
            break;
        case GADRequestedAdType::Banner:
            ad = GADBannerAd::createWithDictionary(fetchedAd);
            break;
        case GADRequestedAdType::Interstitial:
            ad = GADInterstitialAd::createWithDictionary(fetchedAd);
            break;
    }
    if (!ad) return nullptr;
    if (fetchedAd.get("is_mediation").boolValue()) {
        ad->setResponseType(GADAdResponseType::Mediation);
        Value::Dictionary headers = ad->responseHeaders().value_or(Value::Dictionary{});
        headers["x-rade-mediation"] = Value(1);
        headers["Content-Type"] = Value("application/json");
        ad->setResponseHeaders(std::move(headers));
    }
    return ad;
}

void GADSDKCoreController::SDKCoreGMSGHandlerLoadAdWithRequestID(
    GADSDKCoreGMSGHandler&, const std::optional<std::string>& requestID, const Value& fetchedAd) {
    MOVU_CHECK_MAIN_THREAD();
    auto request = takeRequest(requestID);
    if (!request) return;
    answerLater(*request, [fetchedAd](GADSDKCoreControllerDelegate& delegate) {
        auto ad = adFromFetchedAd(delegate.requestedAdType(), fetchedAd);
        // An answer nothing can be made of must not leave the requester waiting.
        if (!ad) {
            delegate.invalidJavaScriptRequest();
            return;
        }
        delegate.loadAd(ad, ad->responseHeaders());
    });
}

void GADSDKCoreController::SDKCoreGMSGHandlerDidReceiveInvalidAdWithRequestID(
    GADSDKCoreGMSGHandler&, const std::optional<std::string>& requestID,
    const Value::Dictionary& parameters) {
    MOVU_CHECK_MAIN_THREAD();
    // The page's parameters, whatever it put in them, take one readable line.
    GADLogger::sharedInstance().logPublicMessage(
        "Invalid Request: " +
        platform::logValue(Value(parameters).description(), platform::kLogTextMaxBytes));
    auto request = takeRequest(requestID);
    if (!request) return;
    if (auto recorder = loadAdRecorder()) {
        recorder->cancelTimingVariable("rur_ios", timingKey("rur_ios", *request));
    }
    answerLater(*request, [](GADSDKCoreControllerDelegate& d) { d.invalidJavaScriptRequest(); });
}

void GADSDKCoreController::SDKCoreGMSGHandlerDidReceiveSDKCoreUpdateNotification(
    GADSDKCoreGMSGHandler&) {
    MOVU_CHECK_MAIN_THREAD();
    lockQueue_.async([locked = locked_] { locked->SDKCoreUpdateHandled = false; });
}

}  // namespace ads
