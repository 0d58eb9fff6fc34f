#include "ads/fullscreen/GADModalOverlayPresenter.h"

#include "ads/fullscreen/GADIntermission.h"
#include "ads/fullscreen/GADViewController.h"
#include "platform/ui/Application.h"

namespace ads {

std::shared_ptr<GADModalOverlayPresenter> GADModalOverlayPresenter::create() {
    return std::make_shared<GADModalOverlayPresenter>(Private{});
}

bool GADModalOverlayPresenter::presentFromViewController(
    const std::shared_ptr<platform::ui::ViewController>& root, std::function<void()> completion) {
    auto presented = presented_.lock();
    if (!root || !presented) return false;
    auto& app = platform::ui::Application::shared();
    bool statusBarWasHidden = app.isStatusBarHidden();
    hideStatusBar();
    foregroundObservation_ = platform::NotificationCenter::defaultCenter().observe(
        platform::ui::kWillEnterForegroundNotification, nullptr,
        [weak = weak_from_this()](const platform::Notification&) {
            if (auto self = weak.lock()) self->hideStatusBar();
        },
        platform::NotificationCenter::mainLoopDelivery());
    bool presentedNow = false;
    try {
        presentedNow = root->presentViewController(presented, true, std::move(completion));
    } catch (...) {
        foregroundObservation_.reset();
        app.setStatusBarHidden(statusBarWasHidden);
        throw;
    }
    if (presentedNow) return true;
    foregroundObservation_.reset();
    app.setStatusBarHidden(statusBarWasHidden);
    return false;
}

void GADModalOverlayPresenter::hideStatusBar() {
    auto presented = presented_.lock();
    if (!presented ||
        presented->modalPresentationStyle() != platform::ui::ModalPresentationStyle::FullScreen)
        return;
    if (auto intermission = presented->intermission())
        intermission->participantWillOverrideStatusBarVisibility(presented);
    platform::ui::Application::shared().setStatusBarHidden(true);
}

std::shared_ptr<platform::ui::ViewController>
GADModalOverlayPresenter::presentationViewController() {
    return presented_.lock();
}

void GADModalOverlayPresenter::dismissWithCompletionHandler(std::function<void()> completion) {
    foregroundObservation_.reset();
    auto presented = presented_.lock();
    auto presenting = presented ? presented->presentingViewController() : nullptr;
    if (presenting && presenting->presentedViewController() == presented) {
        presenting->dismissViewController(true, std::move(completion));
        return;
    }
    if (completion) completion();
}

}  // namespace ads
