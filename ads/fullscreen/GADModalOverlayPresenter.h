#pragma once

// The usual way a full-screen SDK controller gets on screen: a modal presentation over the
// root controller, animated, with the status bar hidden while it is up (again after the app
// returns to the foreground, which may have shown it).
//
// Main thread only. The presenter holds its controller weakly and observes the foreground
// only while it presents; the observation holds the presenter weakly.

#include <memory>

#include "ads/fullscreen/GADOverlayPresenting.h"
#include "platform/runtime/NotificationCenter.h"

namespace ads {

class GADModalOverlayPresenter : public GADOverlayPresenting,
                                 public std::enable_shared_from_this<GADModalOverlayPresenter> {
    struct Private {};

  public:
    static std::shared_ptr<GADModalOverlayPresenter> create();
    explicit GADModalOverlayPresenter(Private) {}
    GADModalOverlayPresenter(const GADModalOverlayPresenter&) = delete;
    GADModalOverlayPresenter& operator=(const GADModalOverlayPresenter&) = delete;

    // False when the root controller refused the presentation (it presents something already,
    // is not in a window, ...); the status bar and the observation are then back as they were.
    bool presentFromViewController(const std::shared_ptr<platform::ui::ViewController>& root,
                                   std::function<void()> completion) override;
    // The presented controller itself.
    std::shared_ptr<platform::ui::ViewController> presentationViewController() override;
    // A controller no longer presented completes at once, inside the call.
    void dismissWithCompletionHandler(std::function<void()> completion) override;
    std::shared_ptr<GADViewController> presentedViewController() const override {
        return presented_.lock();
    }
    void setPresentedViewController(std::weak_ptr<GADViewController> controller) override {
        presented_ = std::move(controller);
    }
    // A controller to present is set.
    bool isReadyToPresent() override { return presented_.lock() != nullptr; }

    // Only for the full-screen style: the intermission hears of it first, so that it puts the
    // status bar back at its end.
    void hideStatusBar();

  private:
    std::weak_ptr<GADViewController> presented_;
    platform::NotificationCenter::Observation foregroundObservation_;
};

}  // namespace ads
