#pragma once

// A screen change that a finger drives. Our animations jump to their end at once, so an
// interactive change is written as tracks instead: for each view, the frame where it starts and
// the frame where the change leaves it. update(fraction) puts every view at that fraction of
// its way (the sheet follows the finger); finish() and cancel() move them to the end or back to
// the start at once and complete on the clock after the part of the duration still left (for
// finish) or already done (for cancel), telling the completion whether the change finished.
//
// As a presentation's interaction controller (ViewControllerTransitioning.h) it hands the
// transition's context to the animator, whose moves become its tracks.
//
// Main thread only. Once finished or cancelled it takes no more updates or tracks.

#include <functional>
#include <memory>
#include <vector>

#include "platform/ui/Geometry.h"

namespace platform {
class Timer;
}

namespace platform::ui {

class TransitionContext;
class View;

class PercentDrivenInteractiveTransition
    : public std::enable_shared_from_this<PercentDrivenInteractiveTransition> {
  public:
    using Completion = std::function<void(bool finished)>;

    virtual ~PercentDrivenInteractiveTransition();

    // Starts a change of the given length (seconds; not finite or negative: 0). Tracks given
    // before are dropped.
    void startInteractiveTransition(double duration, Completion completion);
    // A presentation's start: its animator moves the views with this transition's tracks.
    void startInteractiveTransition(const std::shared_ptr<TransitionContext>& context);
    // A view's way from one frame to another; the view is put at the current fraction at once.
    void addTrack(const std::shared_ptr<View>& view, Rect from, Rect to);

    // Clamped to 0..1; not a number changes nothing.
    void updateInteractiveTransition(double fraction);
    void finishInteractiveTransition();
    void cancelInteractiveTransition();

    double percentComplete() const { return fraction_; }
    double duration() const { return duration_; }
    bool isInteractive() const { return started_ && !ended_; }
    bool wasCancelled() const { return cancelled_; }

  private:
    struct Track {
        std::weak_ptr<View> view;
        Rect from;
        Rect to;
    };
    void apply(double fraction);
    void end(bool finished);

    std::vector<Track> tracks_;
    Completion completion_;
    std::shared_ptr<Timer> timer_;
    double duration_ = 0;
    double fraction_ = 0;
    bool started_ = false;
    bool ended_ = false;
    bool cancelled_ = false;
};

}  // namespace platform::ui
