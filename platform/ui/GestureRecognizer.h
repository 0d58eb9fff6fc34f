#pragma once

// Watches the touches that start in its view (or the view's subviews) and turns them into a
// gesture. Recognized gestures call their actions; by default the view then loses the touches.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/ui/Geometry.h"
#include "platform/ui/Responder.h"

namespace platform::ui {

class View;

enum class GestureState {
    Possible = 0,
    Began = 1,
    Changed = 2,
    Ended = 3,
    Cancelled = 4,
    Failed = 5
};

class GestureRecognizer : public std::enable_shared_from_this<GestureRecognizer> {
  public:
    using Action = std::function<void(GestureRecognizer&)>;

    virtual ~GestureRecognizer() = default;
    // Answers an id for removeTarget.
    using TargetId = std::uint64_t;
    TargetId addTarget(Action a) {
        actions_.emplace_back(++lastTargetId_, std::move(a));
        return lastTargetId_;
    }
    // The target runs no more, also when an action of the same state change removes it before
    // its turn. An unknown id changes nothing.
    void removeTarget(TargetId id);

    GestureState state() const { return state_; }
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool e);
    bool cancelsTouchesInView() const { return cancelsTouchesInView_; }
    void setCancelsTouchesInView(bool c) { cancelsTouchesInView_ = c; }
    std::shared_ptr<View> view() const { return view_.lock(); }
    // Centroid of the touches being tracked, in the given view (null: window).
    Point locationInView(const View* v) const;
    std::size_t numberOfTouches() const { return touches_.size(); }

    // Fed by the window before the view sees the same touches.
    void handleBegan(const TouchSet& t, const Event& e);
    void handleMoved(const TouchSet& t, const Event& e);
    void handleEnded(const TouchSet& t, const Event& e);
    void handleCancelled(const TouchSet& t, const Event& e);

    // After the window has delivered an event: a finished gesture with no touches left goes
    // back to possible.
    void endOfEvent() { resetIfFinished(); }

    // The recognizer took the gesture over (recognized, began or changed).
    bool hasRecognized() const {
        return state_ == GestureState::Began || state_ == GestureState::Changed ||
               state_ == GestureState::Ended;
    }

  protected:
    virtual void touchesBegan(const TouchSet&, const Event&) {}
    virtual void touchesMoved(const TouchSet&, const Event&) {}
    virtual void touchesEnded(const TouchSet&, const Event&) {}
    virtual void touchesCancelled(const TouchSet&, const Event&) {
        if (state_ == GestureState::Began || state_ == GestureState::Changed)
            setState(GestureState::Cancelled);
        else
            setState(GestureState::Failed);
    }
    virtual void reset() {}
    void setState(GestureState s);
    const TouchSet& trackedTouches() const { return touches_; }

  private:
    friend class View;
    void attach(std::weak_ptr<View> v) { view_ = std::move(v); }
    void resetIfFinished();

    GestureState state_ = GestureState::Possible;
    bool enabled_ = true;
    bool cancelsTouchesInView_ = true;
    std::weak_ptr<View> view_;
    TouchSet touches_;
    std::vector<std::pair<TargetId, Action>> actions_;
    TargetId lastTargetId_ = 0;
};

}  // namespace platform::ui
