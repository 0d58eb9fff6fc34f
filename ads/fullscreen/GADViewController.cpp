#include "ads/fullscreen/GADViewController.h"

#include "ads/foundation/GADAbsoluteTime.h"
#include "ads/foundation/GADLogger.h"
#include "ads/foundation/GADStatisticDictionary.h"
#include "ads/fullscreen/GADFullScreenNotifications.h"
#include "ads/fullscreen/GADFullScreenSlot.h"
#include "ads/fullscreen/GADIntermission.h"
#include "ads/fullscreen/GADModalOverlayPresenter.h"
#include "ads/fullscreen/GADOverlayPresenting.h"
#include "platform/runtime/NotificationCenter.h"
#include "platform/ui/View.h"

namespace ads {

namespace {

void post(const char* name, const void* object) {
    platform::NotificationCenter::defaultCenter().post(name, object);
}

}  // namespace

std::shared_ptr<GADViewController> GADViewController::create() {
    return std::make_shared<GADViewController>(Private{});
}

platform::NotificationCenter::Observation GADViewController::observeLeaving(
    const std::shared_ptr<platform::ui::ViewController>& screen, std::function<void()> left) {
    auto ours = std::dynamic_pointer_cast<GADViewController>(screen);
    if (!ours || !left) return {};
    return platform::NotificationCenter::defaultCenter().observe(
        kAdModalViewControllerDidDismissFullScreen,
        static_cast<const GADViewController*>(ours.get()),
        [left = std::move(left)](const platform::Notification&) { left(); });
}

GADViewController::GADViewController(Private, std::string nibName)
    : platform::ui::ViewController(std::move(nibName)) {
    setModalTransitionStyle(platform::ui::ModalTransitionStyle::CoverVertical);
}

GADViewController::~GADViewController() {
    // Only a controller that really was on screen has a dismissal to finish and to count.
    if (!wasShown_) return;
    if (auto completion = std::move(dismissalCompletion_)) {
        dismissalCompletion_ = nullptr;
        completion();
    }
    recordDismissal();
}

std::shared_ptr<GADViewController> GADViewController::self() {
    return std::static_pointer_cast<GADViewController>(shared_from_this());
}

void GADViewController::setPresenter(std::shared_ptr<GADOverlayPresenting> presenter) {
    presenter_ = std::move(presenter);
    if (presenter_) presenter_->setPresentedViewController(self());
}

bool GADViewController::presentFromViewController(
    const std::shared_ptr<platform::ui::ViewController>& root, std::function<void()> completion) {
    if (phase_ != Phase::Idle) return false;
    if (!root) {
        GADLogger::sharedInstance().logPublicMessage(
            "No UIViewController supplied to the ad. Cannot continue.");
        return false;
    }
    if (!presenter_) setPresenter(GADModalOverlayPresenter::create());
    if (!presenter_->isReadyToPresent()) return false;

    auto keep = self();
    view()->setUserInteractionEnabled(false);
    retainCycle_ = keep;
    phase_ = Phase::Presenting;
    post(kAdModalViewControllerWillPresentFullScreen, this);
    postedWillPresent_ = true;
    addToCurrentIntermission();
    bool started = false;
    try {
        started = presenter_->presentFromViewController(
            root, [weak = std::weak_ptr(keep), completion = std::move(completion)] {
                if (auto controller = weak.lock()) controller->presentationDidComplete(completion);
            });
    } catch (...) {
        // The app's own controller may throw; the caller reports it, the steps are undone.
        undoPresentation();
        throw;
    }
    if (started) {
        wasShown_ = true;
        return true;
    }
    undoPresentation();
    return false;
}

void GADViewController::undoPresentation() {
    // Nothing went on screen: undo every step, so the app hears the dismissal that follows
    // the will-present it heard and every slot starts its reload timer again.
    auto keep = self();
    phase_ = Phase::Idle;
    view()->setUserInteractionEnabled(true);
    retainCycle_.reset();
    if (auto intermission = std::move(intermission_)) {
        intermission_ = nullptr;
        intermission->participantWillRelinquishScreen(keep);
        intermission->participantDidRelinquishScreen(keep);
    }
    postedWillPresent_ = false;
    post(kAdModalViewControllerDidDismissFullScreen, this);
}

void GADViewController::presentationDidComplete(const std::function<void()>& completion) {
    // A controller that was told to leave before it had fully arrived does not arrive.
    if (phase_ != Phase::Presenting) return;
    phase_ = Phase::Shown;
    finishAppearing();
    if (completion) completion();
}

void GADViewController::finishAppearing() {
    view()->setUserInteractionEnabled(true);
}

void GADViewController::addToCurrentIntermission() {
    auto intermission = GADIntermission::currentForSlot(slot());
    intermission_ = intermission;
    if (intermission) intermission->addParticipant(self());
}

void GADViewController::relinquishScreenWithCompletion(std::function<void()> completion) {
    if (phase_ != Phase::Presenting && phase_ != Phase::Shown) return;
    auto keep = self();
    phase_ = Phase::Leaving;
    view()->setUserInteractionEnabled(false);
    retainCycle_.reset();
    if (intermission_) intermission_->participantWillRelinquishScreen(keep);
    // The dismissal under way keeps the controller until it has finished.
    auto finished = [keep, completion = std::move(completion)] {
        keep->dismissalDidFinish();
        if (completion) completion();
    };
    if (presenter_)
        presenter_->dismissWithCompletionHandler(std::move(finished));
    else
        finished();
    postedWillPresent_ = false;
    post(kAdModalViewControllerDidDismissFullScreen, this);
}

void GADViewController::dismissalDidFinish() {
    if (phase_ != Phase::Leaving) return;
    phase_ = Phase::Idle;
    finishDismissal();
}

void GADViewController::finishDismissal() {
    auto keep = self();
    if (auto intermission = std::move(intermission_)) {
        intermission_ = nullptr;
        intermission->participantDidRelinquishScreen(keep);
    }
    if (auto completion = std::move(dismissalCompletion_)) {
        dismissalCompletion_ = nullptr;
        completion();
    }
}

void GADViewController::recordDismissal() {
    auto slot = slot_.lock();
    auto statistics = slot ? slot->currentAdStatistics() : nullptr;
    if (!statistics) return;
    auto now = static_cast<std::int64_t>(GADAbsoluteTime::absoluteTimeInMilliseconds());
    statistics->setObject(platform::Value(now), "tlanding_page_load_dismiss", true);
    if (auto click = statistics->objectForKey("tclickcurr"))
        statistics->addObjectToArrayWithKey(platform::Value::Array{*click, platform::Value(now)},
                                            "tclick", true);
}

std::shared_ptr<platform::ui::ViewController> GADViewController::forwardingTarget() {
    auto target = presenter_ ? presenter_->presentationViewController() : nullptr;
    if (target.get() == this) return nullptr;
    return target;
}

bool GADViewController::presentViewController(
    const std::shared_ptr<platform::ui::ViewController>& vc, bool animated,
    std::function<void()> completion) {
    if (auto target = forwardingTarget())
        return target->presentViewController(vc, animated, std::move(completion));
    return platform::ui::ViewController::presentViewController(vc, animated, std::move(completion));
}

bool GADViewController::dismissViewController(bool animated, std::function<void()> completion) {
    // Without a place to hand it to, the platform's own dismissal, as for presenting: what
    // was presented here can always be dismissed again.
    if (auto target = forwardingTarget())
        return target->dismissViewController(animated, std::move(completion));
    return platform::ui::ViewController::dismissViewController(animated, std::move(completion));
}

void GADViewController::viewDidLoad() {
    platform::ui::ViewController::viewDidLoad();
    auto v = view();
    v->setAutoresizingMask(platform::ui::AutoresizingFlexibleWidth |
                           platform::ui::AutoresizingFlexibleHeight);
    v->setOpaque(true);
    v->setBackgroundColor(platform::Color::black());
    v->setClipsToBounds(true);
}

void GADViewController::viewWillAppear(bool animated) {
    platform::ui::ViewController::viewWillAppear(animated);
    // Presented by someone else with the platform's own call: it takes part all the same.
    if (isBeingPresented() && phase_ == Phase::Idle) {
        phase_ = Phase::Shown;
        wasShown_ = true;
        addToCurrentIntermission();
    }
}

void GADViewController::viewWillDisappear(bool animated) {
    platform::ui::ViewController::viewWillDisappear(animated);
    // Dismissed by someone else with the platform's own call.
    if (isBeingDismissed() && (phase_ == Phase::Presenting || phase_ == Phase::Shown)) {
        phase_ = Phase::Leaving;
        leavingThroughPlatform_ = true;
        if (intermission_) intermission_->participantWillRelinquishScreen(self());
    }
}

void GADViewController::viewDidDisappear(bool animated) {
    platform::ui::ViewController::viewDidDisappear(animated);
    if (!leavingThroughPlatform_) return;
    leavingThroughPlatform_ = false;
    auto keep = self();
    retainCycle_.reset();
    if (postedWillPresent_) {
        postedWillPresent_ = false;
        post(kAdModalViewControllerDidDismissFullScreen, this);
    }
    dismissalDidFinish();
}

}  // namespace ads
