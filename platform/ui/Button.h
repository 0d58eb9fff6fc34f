#pragma once

#include <map>
#include <string>

#include "platform/ui/Control.h"
#include "platform/ui/Image.h"
#include "platform/ui/Label.h"

namespace platform::ui {

enum class ButtonType {
    Custom = 0,
    RoundedRect = 1,
    DetailDisclosure = 2,
    InfoLight = 3,
    InfoDark = 4,
    ContactAdd = 5,
    System = RoundedRect
};

// A button with a title, image and background image per control state. A state without its own
// value shows the normal state's, so a button configured only for the normal state looks the same
// in every state.
class Button : public Control {
  public:
    static std::shared_ptr<Button> create(ButtonType type = ButtonType::RoundedRect,
                                          Rect frame = {});
    explicit Button(Rect frame = {});
    const char* className() const override { return "UIButton"; }

    ButtonType buttonType() const { return type_; }
    void setButtonType(ButtonType t) { changeDrawn(type_, t); }

    void setTitle(const std::string& title, unsigned state);
    std::string titleForState(unsigned state) const;
    std::string currentTitle() const { return titleForState(state()); }
    void setTitleColor(Color c, unsigned state);
    Color titleColorForState(unsigned state) const;
    Color currentTitleColor() const { return titleColorForState(state()); }
    void setImage(ImagePtr image, unsigned state);
    ImagePtr imageForState(unsigned state) const;
    ImagePtr currentImage() const { return imageForState(state()); }
    void setBackgroundImage(ImagePtr image, unsigned state);
    ImagePtr backgroundImageForState(unsigned state) const;
    ImagePtr currentBackgroundImage() const { return backgroundImageForState(state()); }
    Font font() const { return font_; }
    void setFont(Font f) {
        font_ = f;
        setNeedsDisplay();
    }
    void applyInterfaceProperties(InterfaceProperties& properties) override;

  protected:
    void draw(Painter& painter) override;

  private:
    template <typename M>
    static auto lookup(const M& m, unsigned state) -> typename M::mapped_type;

    ButtonType type_ = ButtonType::Custom;
    std::map<unsigned, std::string> titles_;
    std::map<unsigned, Color> titleColors_;
    std::map<unsigned, ImagePtr> images_;
    std::map<unsigned, ImagePtr> backgrounds_;
    Font font_{15, true};
};

}  // namespace platform::ui
