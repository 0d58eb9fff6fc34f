#pragma once

// Base of buttons, switches and the like: state bits and target-action per control event.

#include <functional>
#include <vector>

#include "platform/ui/View.h"

namespace platform::ui {

// Event bits, the values interface files and callers use.
enum ControlEvent : unsigned {
    ControlEventTouchDown = 1u << 0,
    ControlEventTouchDownRepeat = 1u << 1,
    ControlEventTouchDragInside = 1u << 2,
    ControlEventTouchDragOutside = 1u << 3,
    ControlEventTouchDragEnter = 1u << 4,
    ControlEventTouchDragExit = 1u << 5,
    ControlEventTouchUpInside = 1u << 6,
    ControlEventTouchUpOutside = 1u << 7,
    ControlEventTouchCancel = 1u << 8,
    ControlEventValueChanged = 1u << 12,
    ControlEventAllTouchEvents = 0x0FFFu,
    ControlEventAllEvents = 0xFFFFFFFFu,
};

enum ControlState : unsigned {
    ControlStateNormal = 0,
    ControlStateHighlighted = 1u << 0,
    ControlStateDisabled = 1u << 1,
    ControlStateSelected = 1u << 2,
};

class Control : public View {
  public:
    using Action = std::function<void(Control*)>;

    explicit Control(Rect frame = {});
    const char* className() const override { return "UIControl"; }

    // Returns an id for removeTarget.
    int addTarget(Action action, unsigned events);
    void removeTarget(int id);
    void removeAllTargets() { targets_.clear(); }
    void sendActionsForControlEvents(unsigned events);
    // Events that have at least one target.
    unsigned allControlEvents() const;

    bool isEnabled() const { return enabled_; }
    void setEnabled(bool e) { changeDrawn(enabled_, e); }
    bool isSelected() const { return selected_; }
    void setSelected(bool s) { changeDrawn(selected_, s); }
    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool h) { changeDrawn(highlighted_, h); }
    bool isTracking() const { return tracking_; }
    // Disabled wins over highlighted: a disabled control never looks pressed.
    unsigned state() const;

    // What a finger going down and up inside does; nothing when disabled or hidden. For tests
    // and keyboard activation.
    virtual void tap();

    void touchesBegan(const TouchSet& t, const Event& e) override;
    void touchesMoved(const TouchSet& t, const Event& e) override;
    void touchesEnded(const TouchSet& t, const Event& e) override;
    void touchesCancelled(const TouchSet& t, const Event& e) override;

  protected:
    // A completed touch-up-inside; switches toggle here.
    virtual void didTapInside() {}
    // Touches within this margin of the bounds still count as inside: a finger that slides a little
    // off a small button still presses it.
    static constexpr double kTouchSlop = 70;

  private:
    bool isInsideForTracking(Point p) const;

    struct Target {
        int id;
        unsigned events;
        Action action;
    };
    std::vector<Target> targets_;
    int nextId_ = 1;
    bool enabled_ = true;
    bool selected_ = false;
    bool highlighted_ = false;
    bool tracking_ = false;
    bool wasInside_ = false;
};

}  // namespace platform::ui
