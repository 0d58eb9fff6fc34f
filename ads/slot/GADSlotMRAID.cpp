#include "ads/slot/GADSlotMRAID.h"

#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADDevice.h"
#include "ads/foundation/GADRectUtilities.h"
#include "ads/foundation/GADRequest.h"
#include "ads/foundation/GADViewAdditions.h"
#include "ads/slot/GADSlot.h"
#include "ads/web/GADAdView.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/runtime/WeakCall.h"
#include "platform/services/CalendarStore.h"
#include "platform/ui/Window.h"

namespace ads {

using platform::Rect;
using platform::Value;

namespace {

Value visibleFlag(bool visible) {
    return Value(visible ? "1" : "0");
}

}  // namespace

std::shared_ptr<GADSlotMRAID> GADSlotMRAID::create(std::weak_ptr<GADSlot> slot) {
    return std::make_shared<GADSlotMRAID>(Private{}, std::move(slot));
}

Value::Dictionary GADSlotMRAID::creativePositionDictionaryForActiveViewBounds(Rect bounds) {
    const Rect r = bounds.standardized();
    return {{"width", Value(r.size.width)},
            {"height", Value(r.size.height)},
            {"x", Value(r.origin.x)},
            {"y", Value(r.origin.y)}};
}

bool GADSlotMRAID::isShowing(const platform::ui::View& view) {
    return gad_isShowing(view);
}

void GADSlotMRAID::post(const std::string& name, const Value::Dictionary& parameters) const {
    auto slot = this->slot();
    auto view = slot ? slot->adView() : nullptr;
    if (view) view->postJSNotification(name, &parameters);
}

void GADSlotMRAID::queue(const std::string& name, const Value::Dictionary& parameters) const {
    auto slot = this->slot();
    auto view = slot ? slot->adView() : nullptr;
    if (view) view->dispatchSDKEvent(name, parameters);
}

bool GADSlotMRAID::isEnabled() const {
    auto slot = this->slot();
    // The creative announces itself while its page loads, before its ad is the slot's
    // current one: it is owed the screen from then on, not from the first turn after.
    return slot && (loaded_ || slot->isMRAIDEnabled());
}

void GADSlotMRAID::MRAIDAdDidLoad() {
    MOVU_CHECK_MAIN_THREAD();
    auto slot = this->slot();
    if (!slot) return;
    const auto self = weak_from_this();
    if (slot->ad()) slot->ad()->setMRAIDEventHandler(self);
    if (slot->loadingAd_) slot->loadingAd_->setMRAIDEventHandler(self);
    // The script may announce itself again (a page that loads it twice): the observers, the
    // first events and what the creative was told are the life's, not the announcement's, so
    // nothing it already knows is sent again.
    if (loaded_) return;
    loaded_ = true;
    layoutChanging_ = false;
    viewable_ = false;
    screenInfo_.reset();
    usableInterfaceFrame_ = creativeWebViewFrame_ = creativeAdFrame_ = Rect::zero();
    slot->orientationEvents().addCreativeOrientationChangeObserver([self] {
        if (auto mraid = self.lock()) mraid->notifyOrientationToMRAIDCreative();
    });
    // The ready sequence is one delivery, ready last: whatever the creative reads when it
    // hears "ready" is known by then.
    GADMRAIDEvents events{screenInfoEvent()};
    screenInfo_ = events.front().second;
    usableInterfaceFrame_ = GADDevice::sharedInstance()->standardizedOrientedApplicationFrame();
    // Its first notice finds the screen already told.
    slot->orientationEvents().beginListeningToDeviceOrientationChangeEvent();
    auto view = slot->adView();
    if (view) {
        for (auto& event : positionEvents(*view, false, true)) events.push_back(std::move(event));
    }
    events.push_back(deviceFeaturesEvent());
    events.push_back({"onReadyEventReceived", {{"js", Value(GADRequest::sdkVersion())}}});
    if (view) view->postJSNotifications(events);
    // A creative that announces itself after its ad made its impression is measured from
    // now; the first sample finds everything told.
    slot->startActiveViewReportingIfEnabled();
}

void GADSlotMRAID::MRAIDAdDidUnload() {
    MOVU_CHECK_MAIN_THREAD();
    // A change the ad's page asked for goes with the ad.
    heldLayoutChange_ = nullptr;
    if (!loaded_) return;
    loaded_ = false;
    layoutChanging_ = false;
    if (auto slot = this->slot())
        slot->orientationEvents().endListeningToDeviceOrientationChangeEvent();
}

GADMRAIDEvents::value_type GADSlotMRAID::screenInfoEvent() const {
    auto device = GADDevice::sharedInstance();
    const Rect screen = device->standardizedOrientedScreenBounds();
    const Rect application = device->standardizedOrientedApplicationFrame();
    return {"onScreenInfoChanged",
            {{"width", Value(screen.size.width)},
             {"height", Value(screen.size.height)},
             {"maxSizeWidth", Value(application.size.width)},
             {"maxSizeHeight", Value(application.size.height)},
             {"isOrientationLandscape", Value(device->orientationLandscape() ? "1" : "0")}}};
}

void GADSlotMRAID::notifyOrientationToMRAIDCreative() {
    MOVU_CHECK_MAIN_THREAD();
    if (!isEnabled()) return;
    usableInterfaceFrame_ = GADDevice::sharedInstance()->standardizedOrientedApplicationFrame();
    auto [name, parameters] = screenInfoEvent();
    // A notice that changed nothing the creative can read tells it nothing.
    if (screenInfo_ == parameters) return;
    screenInfo_ = parameters;
    post(name, parameters);
}

void GADSlotMRAID::notifyScreenIfChanged() {
    const Rect application = GADDevice::sharedInstance()->standardizedOrientedApplicationFrame();
    if (application != usableInterfaceFrame_) notifyOrientationToMRAIDCreative();
}

GADMRAIDEvents::value_type GADSlotMRAID::deviceFeaturesEvent() const {
    using platform::services::CalendarAuthorizationStatus;
    auto device = GADDevice::sharedInstance();
    const auto calendar = platform::services::CalendarStore::authorizationStatus();
    return {"onDeviceFeaturesReceived",
            {{"sms", Value(device->canText())},
             {"tel", Value(device->canMakePhoneCalls())},
             {"calendar", Value(calendar == CalendarAuthorizationStatus::NotDetermined ||
                                calendar == CalendarAuthorizationStatus::Authorized)},
             {"storePicture", Value(true)},
             {"inlineVideo", Value(true)}}};
}

void GADSlotMRAID::notifyDeviceFeatures() {
    MOVU_CHECK_MAIN_THREAD();
    auto [name, parameters] = deviceFeaturesEvent();
    post(name, parameters);
}

void GADSlotMRAID::SDKDidBecomeReady() {
    post("onReadyEventReceived", {{"js", Value(GADRequest::sdkVersion())}});
}

void GADSlotMRAID::updateVisibility(bool visible) {
    MOVU_CHECK_MAIN_THREAD();
    // A screen that comes or goes while the ad's layout changes (the expanded screen leaving
    // as the ad goes back to its banner) says nothing of the ad, which stays on screen: the
    // change's end measures what shows.
    if (layoutChanging_) return;
    if (visible == viewable_) return;
    viewable_ = visible;
    queue("onAdVisibilityChanged", {{"visible", visibleFlag(visible)}});
}

void GADSlotMRAID::handleError(const std::string& message, const std::string& action) {
    MOVU_CHECK_MAIN_THREAD();
    queue("onError", {{"message", Value(message)}, {"action", Value(action)}});
}

std::optional<Rect> GADSlotMRAID::creativeFrameOfView(const platform::ui::View& view,
                                                      bool inWindowOnly) const {
    if (inWindowOnly && !view.window()) return std::nullopt;
    const Rect application = GADDevice::sharedInstance()->standardizedOrientedApplicationFrame();
    Rect inRoot = view.convertRectToView(view.bounds(), nullptr);
    if (!view.window()) {
        // A banner its owner puts on screen only once it has an ad: measured as it will stand
        // when its outermost view takes its own frame in a window.
        std::shared_ptr<const platform::ui::View> root = view.shared_from_this();
        while (auto superview = root->superview()) root = superview;
        inRoot.origin = root->convertToSuperview(inRoot.origin);
    }
    Rect frame = GADConvertRectToStatusBarOrientation(inRoot);
    frame.origin.x -= application.origin.x;
    frame.origin.y -= application.origin.y;
    return frame;
}

std::optional<Rect> GADSlotMRAID::defaultPosition() const {
    auto slot = this->slot();
    if (!slot) return std::nullopt;
    const Rect application = GADDevice::sharedInstance()->standardizedOrientedApplicationFrame();
    // An interstitial is shown by a screen of its own, which fills the application frame.
    if (slot->adType().isInterstitial())
        return Rect{0, 0, application.width(), application.height()};
    auto owner = slot->slotDelegate();
    auto inInterface = owner ? owner->frameInInterface() : std::nullopt;
    if (inInterface && *inInterface != Rect::zero()) {
        Rect frame = *inInterface;
        frame.origin.x -= application.origin.x;
        frame.origin.y -= application.origin.y;
        return frame;
    }
    // Until a place was told: out of every window the banner's ad view stands in its banner
    // (an expanded or resized one is in the window of its screen), so where it stands is the
    // banner's place. A banner that leaves its window later keeps the place it had.
    auto view = slot->adView();
    if (creativeAdFrame_ == Rect::zero() && view && !view->window() && view->superview())
        return creativeFrameOfView(*view, false);
    return std::nullopt;
}

GADMRAIDEvents GADSlotMRAID::positionEvents(const platform::ui::View& view, bool inWindowOnly,
                                            bool alwaysSize) {
    GADMRAIDEvents events;
    if (auto frame = creativeFrameOfView(view, inWindowOnly)) {
        if (alwaysSize || *frame != creativeWebViewFrame_) {
            creativeWebViewFrame_ = *frame;
            events.push_back(
                {"onSizeChanged", creativePositionDictionaryForActiveViewBounds(*frame)});
        }
    }
    if (auto position = defaultPosition(); position && *position != creativeAdFrame_) {
        creativeAdFrame_ = *position;
        events.push_back({"onDefaultPositionReceived",
                          creativePositionDictionaryForActiveViewBounds(*position)});
    }
    const bool showing = isShowing(view);
    if (showing != viewable_) {
        viewable_ = showing;
        events.push_back({"onAdVisibilityChanged", {{"visible", visibleFlag(showing)}}});
    }
    return events;
}

void GADSlotMRAID::updatePositionFromView(const std::shared_ptr<platform::ui::View>& view) {
    MOVU_CHECK_MAIN_THREAD();
    notifyScreenIfChanged();
    // What is measured halfway through a layout change is no layout the creative could read.
    if (!view || layoutChanging_) return;
    auto slot = this->slot();
    auto adView = slot ? slot->adView() : nullptr;
    if (!adView) return;
    adView->dispatchSDKEvents(positionEvents(*view, true, false));
    runHeldLayoutChangeIfShown();
}

void GADSlotMRAID::holdLayoutChange(const std::string& action, std::function<void()> change) {
    MOVU_CHECK_MAIN_THREAD();
    if (!change) return;
    if (heldLayoutChange_) {
        handleError("An earlier change of the ad's layout waits for the ad to be shown.", action);
        return;
    }
    heldLayoutChange_ = std::move(change);
}

bool GADSlotMRAID::readyToRunHeldLayoutChange() const {
    auto slot = this->slot();
    auto view = slot ? slot->adView() : nullptr;
    return heldLayoutChange_ && !layoutChanging_ && view &&
           slot->state() == GADSlotState::ValidAd && isShowing(*view);
}

void GADSlotMRAID::runHeldLayoutChangeIfShown() {
    MOVU_CHECK_MAIN_THREAD();
    if (heldLayoutChangeScheduled_ || !readyToRunHeldLayoutChange()) return;
    heldLayoutChangeScheduled_ = true;
    platform::MainLoop::main().post(platform::weakCall(weak_from_this(), [](GADSlotMRAID& self) {
        self.heldLayoutChangeScheduled_ = false;
        // Whatever happened meanwhile (another ad, the banner taken away) is seen here.
        if (!self.readyToRunHeldLayoutChange()) return;
        auto change = std::move(self.heldLayoutChange_);
        self.heldLayoutChange_ = nullptr;
        change();
    }));
}

void GADSlotMRAID::MRAIDLayoutWillChange() {
    MOVU_CHECK_MAIN_THREAD();
    if (loaded_) layoutChanging_ = true;
}

GADMRAIDEvents GADSlotMRAID::MRAIDLayoutDidChange(const std::shared_ptr<platform::ui::View>& view,
                                                  bool always) {
    MOVU_CHECK_MAIN_THREAD();
    auto slot = this->slot();
    // Another page of the ad (the second of a two-part expand) is measured by nobody here.
    if (!loaded_ || !view || !slot || view != slot->adView()) return {};
    layoutChanging_ = false;
    notifyScreenIfChanged();
    return positionEvents(*view, false, always);
}

GADMRAIDEvents GADSlotMRAID::MRAIDEventsForPage(const std::shared_ptr<platform::ui::View>& page) {
    MOVU_CHECK_MAIN_THREAD();
    GADMRAIDEvents events{screenInfoEvent(), deviceFeaturesEvent()};
    if (page) {
        if (auto frame = creativeFrameOfView(*page, false)) {
            events.push_back(
                {"onSizeChanged", creativePositionDictionaryForActiveViewBounds(*frame)});
        }
    }
    // The banner is covered by then: its place is the one its first page was told.
    auto position =
        creativeAdFrame_ != Rect::zero() ? std::optional(creativeAdFrame_) : defaultPosition();
    if (position) {
        events.push_back({"onDefaultPositionReceived",
                          creativePositionDictionaryForActiveViewBounds(*position)});
    }
    return events;
}

}  // namespace ads

// The slot's MRAID members.
namespace ads {

bool GADSlot::deferMRAIDLayoutChangeUntilShown(const std::shared_ptr<GADAdView>& page,
                                               const std::string& action,
                                               std::function<void()> change) {
    MOVU_CHECK_MAIN_THREAD();
    // An interstitial's page is shown by its own screen and changes no layout of a banner.
    if (!page || page != adView_ || isInterstitial() || !MRAID_) return false;
    // The ad is shown once its page has loaded; a change asked for while an earlier one waits
    // waits with it (and is refused there).
    if (state_ != GADSlotState::Rendering && !MRAID_->holdsLayoutChange()) return false;
    MRAID_->holdLayoutChange(action, std::move(change));
    return true;
}

std::shared_ptr<GADMRAIDEventHandling> GADSlot::MRAIDEventHandler() const {
    return ad_ ? ad_->MRAIDEventHandler() : nullptr;
}

bool GADSlot::isMRAIDEnabled() const {
    return MRAIDEventHandler() != nullptr;
}

void GADSlot::updateMRAIDVisibility(bool visible) {
    if (auto handler = MRAIDEventHandler()) handler->updateVisibility(visible);
}

}  // namespace ads
