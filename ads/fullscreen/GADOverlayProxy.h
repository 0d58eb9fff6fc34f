#pragma once

// Makes a platform controller the SDK puts on screen (the store sheet, a mail, message or
// calendar editor) a participant of its slot's intermission, so the app hears of it as of the
// SDK's own full-screen screens: presenting and dismissing go through the proxy.
//
// While its controller is up the proxy stands for it in the notices every SDK screen posts
// ("kAdModalViewControllerWillPresentFullScreen" as it presents, "...DidDismissFullScreen" as
// it starts leaving, or as it goes unless it did), so banners stop reloading under it.
//
// Main thread only. The controller owns its proxy (an associated object; at most one per
// controller) and the proxy holds the controller weakly. While the controller is up the proxy
// holds the intermission; for editors it also holds the opener, so their delegate lives as
// long as the screen. The slot is weak.

#include <functional>
#include <memory>

#include "ads/fullscreen/GADIntermitting.h"

namespace platform::ui {
class ViewController;
}

namespace ads {

class GADFullScreenSlot;
class GADOpener;

class GADOverlayProxy : public GADIntermitting,
                        public std::enable_shared_from_this<GADOverlayProxy> {
    struct Private {};

  public:
    // The controller's proxy, or nullptr; never makes one.
    static std::shared_ptr<GADOverlayProxy> overlayProxyForViewController(
        const std::shared_ptr<platform::ui::ViewController>& controller);
    // A new proxy attached to the controller; nullptr without a controller or when it has a
    // proxy already.
    static std::shared_ptr<GADOverlayProxy> create(
        const std::shared_ptr<platform::ui::ViewController>& controller);
    GADOverlayProxy(Private, std::weak_ptr<platform::ui::ViewController> controller);
    ~GADOverlayProxy() override;
    GADOverlayProxy(const GADOverlayProxy&) = delete;
    GADOverlayProxy& operator=(const GADOverlayProxy&) = delete;

    std::shared_ptr<platform::ui::ViewController> viewController() const {
        return viewController_.lock();
    }
    std::shared_ptr<GADFullScreenSlot> slot() const { return slot_.lock(); }
    void setSlot(std::weak_ptr<GADFullScreenSlot> slot) { slot_ = std::move(slot); }
    const std::shared_ptr<GADOpener>& opener() const { return opener_; }
    void setOpener(std::shared_ptr<GADOpener> opener) { opener_ = std::move(opener); }

    // Joins the slot's intermission and presents the controller over `root`, animated. False,
    // doing nothing, while the controller is up already or without a root; false too when the
    // platform refuses, having left the intermission again. A later presentation after the
    // dismissal has finished joins afresh.
    bool presentFromViewController(const std::shared_ptr<platform::ui::ViewController>& root,
                                   std::function<void()> completion) override;
    bool shouldDismissOnApplicationEnteringForeground() override { return false; }
    // Dismisses the controller (with whatever it presents), animated; once it is gone, the
    // completion runs and the intermission is left. Nothing while it is not up.
    void relinquishScreenWithCompletion(std::function<void()> completion) override;
    std::shared_ptr<GADIntermission> intermission() const override { return intermission_; }

    // Takes a platform controller off the screen: through its proxy when it has one (so its
    // slot hears the dismissal), else through its presenting controller, animated. The
    // completion runs once it is gone, or at once when it is not up.
    static void relinquishOrDismiss(const std::shared_ptr<platform::ui::ViewController>& controller,
                                    std::function<void()> completion);

  private:
    void finishRelinquishing(const std::function<void()>& completion);
    void postWillPresent();
    void postDidDismiss();

    std::shared_ptr<GADIntermission> intermission_;
    std::weak_ptr<platform::ui::ViewController> viewController_;
    std::weak_ptr<GADFullScreenSlot> slot_;
    std::shared_ptr<GADOpener> opener_;
    enum class Phase { Idle, Shown, Leaving } phase_ = Phase::Idle;
    bool postedWillPresent_ = false;
};

}  // namespace ads
