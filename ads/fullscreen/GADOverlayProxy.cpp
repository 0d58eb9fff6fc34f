#include "ads/fullscreen/GADOverlayProxy.h"

#include "ads/fullscreen/GADFullScreenNotifications.h"
#include "ads/fullscreen/GADIntermission.h"
#include "platform/runtime/NotificationCenter.h"
#include "platform/ui/ViewController.h"

namespace ads {

namespace {
// The key the proxy is attached to its controller under.
const char kProxyKey = 0;
}  // namespace

std::shared_ptr<GADOverlayProxy> GADOverlayProxy::overlayProxyForViewController(
    const std::shared_ptr<platform::ui::ViewController>& controller) {
    if (!controller) return nullptr;
    return std::static_pointer_cast<GADOverlayProxy>(controller->associatedObject(&kProxyKey));
}

std::shared_ptr<GADOverlayProxy> GADOverlayProxy::create(
    const std::shared_ptr<platform::ui::ViewController>& controller) {
    if (!controller || overlayProxyForViewController(controller)) return nullptr;
    auto proxy = std::make_shared<GADOverlayProxy>(Private{}, controller);
    controller->setAssociatedObject(&kProxyKey, proxy);
    return proxy;
}

GADOverlayProxy::GADOverlayProxy(Private, std::weak_ptr<platform::ui::ViewController> controller)
    : viewController_(std::move(controller)) {}

GADOverlayProxy::~GADOverlayProxy() {
    // A controller that goes while up (dismissed behind our back, then released) must not
    // leave every slot's reload timer stopped.
    postDidDismiss();
}

void GADOverlayProxy::postWillPresent() {
    postedWillPresent_ = true;
    platform::NotificationCenter::defaultCenter().post(kAdModalViewControllerWillPresentFullScreen,
                                                       this);
}

void GADOverlayProxy::postDidDismiss() {
    if (!postedWillPresent_) return;
    postedWillPresent_ = false;
    platform::NotificationCenter::defaultCenter().post(kAdModalViewControllerDidDismissFullScreen,
                                                       this);
}

bool GADOverlayProxy::presentFromViewController(
    const std::shared_ptr<platform::ui::ViewController>& root, std::function<void()> completion) {
    auto controller = viewController_.lock();
    // An empty root is refused before anything happens, so the app hears nothing.
    if (phase_ != Phase::Idle || !root || !controller) return false;
    auto self = shared_from_this();
    intermission_ = GADIntermission::currentForSlot(slot());
    if (intermission_) intermission_->addParticipant(self);
    phase_ = Phase::Shown;
    // A platform screen over the app is an SDK screen like ours: banners stop reloading.
    postWillPresent();
    if (root->presentViewController(controller, true, std::move(completion))) return true;

    // Refused: the app hears the dismissal that follows the will-present.
    phase_ = Phase::Idle;
    postDidDismiss();
    if (auto intermission = std::move(intermission_)) {
        intermission_ = nullptr;
        intermission->participantWillRelinquishScreen(self);
        intermission->participantDidRelinquishScreen(self);
    }
    return false;
}

void GADOverlayProxy::relinquishScreenWithCompletion(std::function<void()> completion) {
    if (phase_ != Phase::Shown) return;
    auto self = shared_from_this();
    phase_ = Phase::Leaving;
    if (intermission_) intermission_->participantWillRelinquishScreen(self);
    auto controller = viewController_.lock();
    auto presenting = controller ? controller->presentingViewController() : nullptr;
    auto finished = [self, completion = std::move(completion)] {
        self->finishRelinquishing(completion);
    };
    // A controller that is no longer up (dismissed by someone else) has nothing to wait for.
    if (!presenting || !presenting->dismissViewController(true, finished)) finished();
    postDidDismiss();
}

void GADOverlayProxy::relinquishOrDismiss(
    const std::shared_ptr<platform::ui::ViewController>& controller,
    std::function<void()> completion) {
    if (!completion) completion = [] {};
    auto proxy = overlayProxyForViewController(controller);
    if (proxy && proxy->phase_ == Phase::Shown) {
        proxy->relinquishScreenWithCompletion(std::move(completion));
        return;
    }
    auto presenting = controller ? controller->presentingViewController() : nullptr;
    if (presenting && presenting->presentedViewController() == controller &&
        presenting->dismissViewController(true, completion)) {
        return;
    }
    completion();
}

void GADOverlayProxy::finishRelinquishing(const std::function<void()>& completion) {
    if (completion) completion();
    phase_ = Phase::Idle;
    if (auto intermission = std::move(intermission_)) {
        intermission_ = nullptr;
        intermission->participantDidRelinquishScreen(shared_from_this());
    }
}

}  // namespace ads
