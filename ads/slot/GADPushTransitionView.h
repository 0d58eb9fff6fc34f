#pragma once

// A view that shows one of several views at a time and, every animation + presentation
// duration, replaces it with the next one (wrapping around), pushed in from the top. Native
// ads' attribution badges alternate their icons with it.
//
// Main thread only. Each change of the views or of a duration starts a new generation: the
// step already scheduled is voided and the cycle is scheduled anew one full period later.
// setViews() shows the first view at once and restarts the cycle from it.
//
// Layout: a clipping view fills this view (flexible width and height) and holds the current
// view, kept at its own size and centred by flexible margins. Our compositor has no layer
// transitions, so the push is a swap at the step; the transition it stands for is kept
// (lastTransition()) for whoever wants to animate it.
//
// Who keeps whom: the view keeps its views; a scheduled step holds the view weakly and does
// nothing once it is gone.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/runtime/Timer.h"
#include "platform/ui/View.h"

namespace ads {

class GADPushTransitionView : public platform::ui::View {
    struct Private {};

  public:
    static constexpr double kDefaultPresentationDuration = 4.0;
    static constexpr double kDefaultAnimationDuration = 1.0;
    // Shortest time between two steps: a zero, negative or unusable duration would otherwise
    // reschedule the step at once, and the main loop would never rest.
    static constexpr double kMinimumStepDelay = 0.1;

    // One push as a layer transition describes it.
    struct Transition {
        std::string type = "push";
        std::string subtype = "fromTop";
        double duration = 0;
        std::string timingFunction = "easeInEaseOut";
        std::string key = "PushNewView";
    };

    static std::shared_ptr<GADPushTransitionView> create(platform::Rect frame = {});
    GADPushTransitionView(Private, platform::Rect frame);
    ~GADPushTransitionView() override;

    const char* className() const override { return "GADPushTransitionView"; }

    const std::vector<std::shared_ptr<platform::ui::View>>& views() const { return views_; }
    void setViews(std::vector<std::shared_ptr<platform::ui::View>> views);
    double animationDuration() const { return animationDuration_; }
    void setAnimationDuration(double seconds);
    double presentationDuration() const { return presentationDuration_; }
    void setPresentationDuration(double seconds);
    std::int64_t animationGroupIdentifier() const { return animationGroupIdentifier_; }

    const std::shared_ptr<platform::ui::View>& currentView() const { return currentView_; }
    // Index in views() of the view the cycle brought in last.
    std::size_t currentViewIndex() const { return currentViewIndex_; }
    const std::shared_ptr<platform::ui::View>& clippingView() const { return clippingView_; }
    // The push made at the last step; nothing before the first.
    const std::optional<Transition>& lastTransition() const { return lastTransition_; }
    // How long after a change or a step the next step comes.
    double stepDelay() const;

  private:
    void commonInit();
    void setCurrentView(std::shared_ptr<platform::ui::View> view);
    // A new generation: the pending step is voided and the next one scheduled.
    void restartCycle();
    void dispatchAnimation();
    void animate();

    std::vector<std::shared_ptr<platform::ui::View>> views_;
    std::shared_ptr<platform::ui::View> clippingView_;
    std::shared_ptr<platform::ui::View> currentView_;
    std::size_t currentViewIndex_ = 0;
    double presentationDuration_ = kDefaultPresentationDuration;
    double animationDuration_ = kDefaultAnimationDuration;
    std::int64_t animationGroupIdentifier_ = 0;
    std::optional<Transition> lastTransition_;
    std::shared_ptr<platform::Timer> pendingStep_;
};

}  // namespace ads
