#pragma once

// The root of a view tree on screen. Its root view controller's view fills it; touches enter
// the tree here.

#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/ui/AnimationTransition.h"
#include "platform/ui/View.h"

namespace platform::ui {

class ViewController;
class Touch;
class Event;

class Window : public View {
  public:
    static std::shared_ptr<Window> create(Rect frame);
    explicit Window(Rect frame);
    const char* className() const override { return "UIWindow"; }

    std::shared_ptr<ViewController> rootViewController() const { return root_; }
    // Swapping the root swaps the root view: the old one leaves the window (disappear
    // callbacks), the new one fills it (appear callbacks).
    void setRootViewController(std::shared_ptr<ViewController> vc, bool animated = false);

    // Window coordinates to the screen's (through the window's own frame and transform).
    Point convertPointToScreen(Point p) const { return convertToSuperview(p); }
    Rect convertRectToScreen(const Rect& r) const;

    void makeKeyWindow();
    void makeKeyAndVisible();
    bool isKeyWindow() const;

    // Alerts and action sheets: added on top and kept above whatever is added later, as if
    // they lived in a window of their own.
    void addOverlay(const std::shared_ptr<View>& v);
    void didAddSubview(View* v) override;

    // Touch delivery: the touches of the event whose phase changed go to their views and to
    // the gesture recognizers watching them.
    void sendEvent(Event& event);

    // A screen change the compositor may show as a cross-fade, the duration in seconds on the
    // clock.
    struct Transition {
        AnimationTransition kind = AnimationTransition::None;
        double start = 0;
        double duration = 0;
    };
    void beginTransition(AnimationTransition kind, double duration);
    // The transition under way, or nullopt once it has run its time.
    std::optional<Transition> activeTransition() const;

  private:
    friend class ViewController;
    std::size_t rootViewIndex() const;

    std::shared_ptr<ViewController> root_;
    std::optional<Transition> transition_;
    std::vector<std::weak_ptr<View>> overlays_;
    bool raisingOverlays_ = false;
    // Whether the views moving in or out of this window now belong to an animated
    // presentation; the controllers' appearance callbacks pass it on.
    bool animatedTransition_ = false;

    // Sets the mark for a presentation's or dismissal's moves and puts the outer one back when
    // they end (a presentation from inside another's callbacks, or a callback that throws).
    class TransitionMark {
      public:
        TransitionMark(std::shared_ptr<Window> window, bool animated) : window_(std::move(window)) {
            if (window_) outer_ = std::exchange(window_->animatedTransition_, animated);
        }
        ~TransitionMark() {
            if (window_) window_->animatedTransition_ = outer_;
        }
        TransitionMark(const TransitionMark&) = delete;
        TransitionMark& operator=(const TransitionMark&) = delete;

      private:
        std::shared_ptr<Window> window_;
        bool outer_ = false;
    };
};

}  // namespace platform::ui
