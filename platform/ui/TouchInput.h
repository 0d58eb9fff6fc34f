#pragma once

// Turns SDL mouse and finger events into touches on a window. The mouse (left button) is one
// touch; each finger is another. Coordinates are mapped from the SDL window's size to the
// window's points, so a scaled window still hits the right view.

#include <map>
#include <memory>

#include "platform/ui/Geometry.h"
#include "platform/ui/Touch.h"

union SDL_Event;

namespace platform::ui {

class Window;

class TouchInput {
  public:
    explicit TouchInput(std::weak_ptr<Window> window);

    // The SDL window's size in the units of its mouse events.
    void setViewportSize(int width, int height);

    // Answers whether the event was a pointer event (used or not).
    bool handleEvent(const SDL_Event& e);

    // The same, in window points, for other input sources and tests.
    void touchDown(long id, Point p);
    void touchMove(long id, Point p);
    void touchUp(long id, Point p);
    void cancelAll();

    std::size_t activeTouchCount() const { return active_.size(); }

    static constexpr long kMouseTouchId = -1;

  private:
    Point toPoints(double x, double y) const;
    void dispatch();
    void finish(TouchPhase phase, long id, Point p);

    std::weak_ptr<Window> window_;
    int viewportW_ = 0, viewportH_ = 0;
    std::map<long, std::shared_ptr<Touch>> active_;
    Event event_;
    // For tap counts: where and when the last touch lifted.
    Point lastUpPoint_;
    double lastUpTime_ = -1;
    int lastTapCount_ = 0;
};

}  // namespace platform::ui
