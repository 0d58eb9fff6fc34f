#pragma once

#include "platform/ui/Control.h"

namespace platform::ui {

// On/off control; a tap flips it and sends value-changed.
class Switch : public Control {
  public:
    static std::shared_ptr<Switch> create(Rect frame = {});
    explicit Switch(Rect frame = {});
    const char* className() const override { return "UISwitch"; }

    bool isOn() const { return on_; }
    // Setting the value from code sends no event: only the user's change is an action.
    void setOn(bool on, bool animated = false);

    Size sizeThatFits(Size) const override { return {79, 27}; }
    void applyInterfaceProperties(InterfaceProperties& properties) override;

  protected:
    void didTapInside() override;

    void draw(Painter& painter) override;

  private:
    bool on_ = false;
};

}  // namespace platform::ui
