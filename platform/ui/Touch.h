#pragma once

// One finger (or the mouse) from touch-down to lift-off: the same object through all its
// phases, so views and recognizers can keep it.

#include <memory>
#include <vector>

#include "platform/ui/Geometry.h"
#include "platform/ui/Responder.h"

namespace platform::ui {

class View;
class Window;
class GestureRecognizer;

enum class TouchPhase { Began = 0, Moved = 1, Stationary = 2, Ended = 3, Cancelled = 4 };

class Touch {
  public:
    Touch(long id, Point windowLocation, double timestamp);

    long identifier() const { return id_; }
    TouchPhase phase() const { return phase_; }
    double timestamp() const { return timestamp_; }
    int tapCount() const { return tapCount_; }
    // In the given view's coordinates; a null view means the window's.
    Point locationInView(const View* v) const;
    Point previousLocationInView(const View* v) const;
    std::shared_ptr<View> view() const { return view_; }
    Window* window() const;

    // Set by the input side before the event is sent.
    void update(TouchPhase phase, Point windowLocation, double timestamp);
    void setTapCount(int n) { tapCount_ = n; }

  private:
    friend class Window;
    long id_;
    TouchPhase phase_ = TouchPhase::Began;
    Point location_;
    Point previous_;
    double timestamp_;
    int tapCount_ = 1;
    std::shared_ptr<View> view_;
    std::weak_ptr<View> window_;
    std::vector<std::weak_ptr<GestureRecognizer>> recognizers_;
    // The view was sent touchesCancelled because a recognizer took the touch over.
    bool cancelledForView_ = false;
};

class Event {
  public:
    explicit Event(double timestamp = 0) : timestamp_(timestamp) {}
    double timestamp() const { return timestamp_; }
    void setTimestamp(double t) { timestamp_ = t; }
    const TouchSet& allTouches() const { return touches_; }
    TouchSet touchesForView(const View* v) const;
    void addTouch(std::shared_ptr<Touch> t);
    void removeTouch(const Touch* t);

  private:
    double timestamp_;
    TouchSet touches_;
};

}  // namespace platform::ui
