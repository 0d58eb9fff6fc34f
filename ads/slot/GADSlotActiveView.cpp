#include "ads/slot/GADSlotActiveView.h"

#include "ads/foundation/GADAbsoluteTime.h"
#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADRequest.h"
#include "ads/web/GADSDKCoreController.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/runtime/WeakCall.h"
#include "platform/storage/Json.h"
#include "platform/ui/Application.h"
#include "platform/ui/Screen.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"

namespace ads {

using platform::Value;

std::shared_ptr<GADSlotActiveView> GADSlotActiveView::create(
    std::unique_ptr<GADSlotActiveViewHost> host) {
    return std::make_shared<GADSlotActiveView>(Private{}, std::move(host));
}

GADSlotActiveView::GADSlotActiveView(Private, std::unique_ptr<GADSlotActiveViewHost> host)
    : host_(std::move(host)) {}

GADSlotActiveView::~GADSlotActiveView() {
    finishActiveViewReporting();
}

bool GADSlotActiveView::canEnableActiveViewMonitoring() const {
    if (host_->isMediating() || !host_->viewHasMadeImpression()) return false;
    const auto ad = host_->activeViewAd();
    return (ad && ad->activeViewConfigurations()) || host_->isMRAIDEnabled();
}

bool GADSlotActiveView::monitoredViewIsSubviewOfDeviceScreen() const {
    const auto view = host_->activeViewMonitoredView();
    return view && view->window();
}

void GADSlotActiveView::startActiveViewReportingIfEnabled() {
    MOVU_CHECK_MAIN_THREAD();
    if (!canEnableActiveViewMonitoring()) return;
    if (!monitor_ && !createActiveViewMonitor()) return;
    // Every measurement begins with a record, even of an ad off screen.
    monitor_->sample();
    if (monitor_ && monitoredViewIsSubviewOfDeviceScreen()) monitor_->startMonitoring();
}

bool GADSlotActiveView::createActiveViewMonitor() {
    monitor_ = GADActiveViewMonitor::create(host_->activeViewMonitoredView());
    if (!monitor_) return false;
    activeViewID_ = GADApplication::sharedInstance()->nextActiveViewID();
    lastRecord_.reset();
    SDKCoreWebView_ =
        GADSDKCoreController::sharedInstance()->SDKCoreWebViewForActiveViewProcessing();
    if (SDKCoreWebView_) SDKCoreWebView_->setActiveViewObserver(weak_from_this(), activeViewID_);
    monitor_->setDelegate(weak_from_this());
    observeApplicationActivity();
    return true;
}

void GADSlotActiveView::observeApplicationActivity() {
    // Leaving and regaining the active state changes what shows: one sample each time.
    auto& center = platform::NotificationCenter::defaultCenter();
    for (const char* name : {platform::ui::kWillResignActiveNotification,
                             platform::ui::kDidBecomeActiveNotification}) {
        activityObservations_.push_back(center.observe(
            name, nullptr,
            platform::weakCall(weak_from_this(),
                               [](GADSlotActiveView& self, const platform::Notification&) {
                                   if (self.monitor_) self.monitor_->sample();
                               })));
    }
}

void GADSlotActiveView::finishActiveViewReporting() {
    MOVU_CHECK_MAIN_THREAD();
    activityObservations_.clear();
    if (monitor_) {
        monitor_->stopMonitoring();
        monitor_->setDelegate({});
        activeViewMonitorWillUnload();
        monitor_.reset();
    }
    if (SDKCoreWebView_) {
        // The last record is queued before the unit's observer goes, and the controller keeps
        // the web view while its script still runs units, so the record is still read.
        auto webView = std::move(SDKCoreWebView_);
        webView->removeActiveViewObserverForActiveViewID(activeViewID_);
        GADSDKCoreController::sharedInstance()->finishedUsingSDKCoreWebViewForActiveViewProcessing(
            webView);
    }
    lastRecord_.reset();
}

void GADSlotActiveView::activeViewMonitorWillUnload() {
    // No new sample: the last record repeats the last sampled one.
    RecordInputs inputs = lastRecord_ ? *lastRecord_ : recordInputs(*monitor_);
    inputs.timestamp = GADAbsoluteTime::absoluteTimeInMilliseconds();
    inputs.unloaded = true;
    enqueue(activeViewParameters(inputs));
}

void GADSlotActiveView::monitoredViewDidMoveToWindow(bool inWindow) {
    MOVU_CHECK_MAIN_THREAD();
    if (!monitor_) return;
    if (inWindow) {
        monitor_->startMonitoring();
    } else {
        monitor_->sample();
        monitor_->stopMonitoring();
    }
}

void GADSlotActiveView::interstitialViewWillAppear() {
    MOVU_CHECK_MAIN_THREAD();
    if (monitor_) monitor_->startMonitoring();
}

void GADSlotActiveView::interstitialViewWillDisappear() {
    MOVU_CHECK_MAIN_THREAD();
    if (!monitor_) return;
    monitor_->sample();
    monitor_->stopMonitoring();
}

void GADSlotActiveView::activeViewMonitorDidRefresh(GADActiveViewMonitor& monitor) {
    MOVU_CHECK_MAIN_THREAD();
    if (monitor_.get() != &monitor) return;
    lastRecord_ = recordInputs(monitor);
    enqueue(activeViewParameters(*lastRecord_));
    // Whatever became of the record, the MRAID handler hears where the ad is.
    if (auto view = monitor.monitoredView()) host_->updateMRAIDPositionFromView(*view);
}

void GADSlotActiveView::enqueue(const Value& record) {
    if (!SDKCoreWebView_) return;
    if (auto command = activeViewJSCommandWithParams(record)) {
        SDKCoreWebView_->enqueueJavaScriptCommand(std::move(*command));
    }
}

void GADSlotActiveView::adViewDidChangeActiveViewVisibility(bool) {
    MOVU_CHECK_MAIN_THREAD();
    // The verdict is the server's; the MRAID handler judges from the samples it is given.
}

void GADSlotActiveView::adViewDidStopActiveViewMonitoring() {
    finishActiveViewReporting();
}

GADSlotActiveView::RecordInputs GADSlotActiveView::recordInputs(
    const GADActiveViewMonitor& monitor) const {
    RecordInputs inputs;
    const auto& application = platform::ui::Application::shared();
    if (auto view = monitor.monitoredView()) {
        inputs.adBox = view->convertRectToView(view->bounds(), nullptr);
        if (auto* window = view->window()) {
            inputs.viewBox = window->bounds();
            inputs.isSubViewOfVisibleWindow =
                !window->isHidden() &&
                application.applicationState() == platform::ui::ApplicationState::Active;
        }
    }
    inputs.globalVisibleBox = monitor.monitoredViewVisibleBounds();
    inputs.isVisible = monitor.monitoredViewVisible();
    inputs.screenDimension = platform::ui::Screen::mainScreen().applicationFrame();
    inputs.screenOrientation = static_cast<std::int64_t>(application.statusBarOrientation());
    inputs.isMRAID = host_->isMRAIDEnabled();
    inputs.isInterstitial = host_->isInterstitial();
    if (auto ad = host_->activeViewAd()) inputs.activeViewJSON = ad->activeViewConfigurations();
    inputs.timestamp = GADAbsoluteTime::absoluteTimeInMilliseconds();
    inputs.hashCode = activeViewID_;
    return inputs;
}

Value GADSlotActiveView::activeViewParameters(const RecordInputs& in) {
    const auto flag = [](bool on) { return Value(on ? "1" : "0"); };
    Value::Dictionary unit{
        {"adBox", dictionaryForBounds(in.adBox)},
        {"globalVisibleBox", dictionaryForBounds(in.globalVisibleBox)},
        {"viewBox", dictionaryForBounds(in.viewBox)},
        {"screenDimension", dictionaryForBounds(in.screenDimension)},
        {"screenOrientation", Value(in.screenOrientation)},
        {"isSubViewOfVisibleWindow", flag(in.isSubViewOfVisibleWindow)},
        {"isVisible", flag(in.isVisible)},
        {"ad_type_mraid", flag(in.isMRAID)},
        {"radeVersion", Value(GADRequest::sdkVersion())},
        {"adFormat", Value(adFormat(in.isInterstitial))},
        {"timestamp", Value(in.timestamp)},
        {"hashCode", Value(in.hashCode)},
    };
    if (in.activeViewJSON) unit["activeViewJSON"] = Value(*in.activeViewJSON);
    if (in.unloaded) unit["doneReasonCode"] = Value("u");
    return Value::dictionary({{"units", Value::array({Value(std::move(unit))})}});
}

std::optional<std::string> GADSlotActiveView::activeViewJSCommandWithParams(const Value& params) {
    if (!params.isDictionary()) return std::nullopt;
    auto json = platform::Json::write(params, platform::Json::kWritingCompact);
    if (!json) return std::nullopt;
    return std::string(kCommandFunction) + "(" + *json + ")";
}

Value GADSlotActiveView::dictionaryForBounds(platform::Rect rect) {
    const platform::Rect r = rect.standardized();
    return Value::dictionary({{"top", Value(r.origin.y)},
                              {"bottom", Value(r.origin.y + r.size.height)},
                              {"left", Value(r.origin.x)},
                              {"right", Value(r.origin.x + r.size.width)}});
}

}  // namespace ads
