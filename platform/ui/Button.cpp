#include "platform/ui/Button.h"

#include "platform/ui/InterfaceProperties.h"
#include "platform/ui/Painter.h"

namespace platform::ui {

std::shared_ptr<Button> Button::create(ButtonType type, Rect frame) {
    auto b = std::make_shared<Button>(frame);
    b->setButtonType(type);
    if (type == ButtonType::RoundedRect) {
        b->setBackgroundColor(Color::whiteColor());
        b->setTitleColor({0.2f, 0.3f, 0.5f, 1}, ControlStateNormal);
        b->setTitleColor({1, 1, 1, 1}, ControlStateHighlighted);
    }
    return b;
}

Button::Button(Rect frame) : Control(frame) {
    titleColors_[ControlStateNormal] = Color::whiteColor();
    titleColors_[ControlStateDisabled] = Color::white(0.6f);
}

template <typename M>
auto Button::lookup(const M& m, unsigned state) -> typename M::mapped_type {
    if (auto it = m.find(state); it != m.end()) return it->second;
    // A combined state falls back to its single bits (highlighted before selected), then to
    // normal.
    for (unsigned bit : {unsigned(ControlStateDisabled), unsigned(ControlStateHighlighted),
                         unsigned(ControlStateSelected)})
        if (state & bit)
            if (auto it = m.find(bit); it != m.end()) return it->second;
    if (auto it = m.find(ControlStateNormal); it != m.end()) return it->second;
    return {};
}

void Button::setTitle(const std::string& title, unsigned state) {
    titles_[state] = title;
    setNeedsDisplay();
}
std::string Button::titleForState(unsigned state) const {
    return lookup(titles_, state);
}
void Button::setTitleColor(Color c, unsigned state) {
    titleColors_[state] = c;
    setNeedsDisplay();
}
Color Button::titleColorForState(unsigned state) const {
    return lookup(titleColors_, state);
}
void Button::setImage(ImagePtr image, unsigned state) {
    images_[state] = std::move(image);
    setNeedsDisplay();
}
ImagePtr Button::imageForState(unsigned state) const {
    return lookup(images_, state);
}
void Button::setBackgroundImage(ImagePtr image, unsigned state) {
    backgrounds_[state] = std::move(image);
    setNeedsDisplay();
}
ImagePtr Button::backgroundImageForState(unsigned state) const {
    return lookup(backgrounds_, state);
}

void Button::draw(Painter& painter) {
    Rect b = bounds();
    if (auto bg = currentBackgroundImage(); bg && bg->pixels()) painter.drawImage(bg->pixels(), b);
    if (isHighlighted()) painter.fillRect(b, {0, 0, 0, 0.25f});
    // The picture keeps its own size, centred; the title goes over it.
    if (auto img = currentImage(); img && img->pixels()) {
        Size s = img->size();
        painter.drawImage(img->pixels(),
                          {b.midX() - s.width / 2, b.midY() - s.height / 2, s.width, s.height});
    }
    std::string title = currentTitle();
    if (!title.empty())
        painter.drawText(title, b, {font_, TextAlignment::Center, 1, true}, currentTitleColor(),
                         isEnabled() ? 1.0f : 0.5f);
}

void Button::applyInterfaceProperties(InterfaceProperties& p) {
    Control::applyInterfaceProperties(p);
    if (p.has("buttonType")) {
        std::string t = p.string("buttonType");
        if (t == "roundedRect") {
            setButtonType(ButtonType::RoundedRect);
            setBackgroundColor(Color::whiteColor());
            setTitleColor({0.2f, 0.3f, 0.5f, 1}, ControlStateNormal);
        } else if (t != "custom") {
            p.fail("buttonType is custom or roundedRect");
        }
    }
    if (p.has("title")) setTitle(p.string("title"), ControlStateNormal);
    if (p.has("titles"))
        for (auto& [state, title] : p.strings("titles", "\"titles\" maps states to titles"))
            setTitle(title, p.controlState(state));
    if (p.has("titleColor")) setTitleColor(p.color("titleColor"), ControlStateNormal);
    if (p.has("image")) setImage(p.image("image"), ControlStateNormal);
    if (p.has("backgroundImage"))
        setBackgroundImage(p.image("backgroundImage"), ControlStateNormal);
    setFont(p.font(font_));
    if (p.has("enabled")) setEnabled(p.boolean("enabled"));
    if (p.has("selected")) setSelected(p.boolean("selected"));
    p.bindActions(*this, ControlEventTouchUpInside);
}

}  // namespace platform::ui
