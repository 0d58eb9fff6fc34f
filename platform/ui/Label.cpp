#include "platform/ui/Label.h"

#include "platform/ui/InterfaceProperties.h"
#include "platform/ui/Painter.h"

namespace platform::ui {

std::shared_ptr<Label> Label::create(Rect frame, std::string text) {
    auto l = std::make_shared<Label>(frame);
    l->setText(std::move(text));
    return l;
}

Label::Label(Rect frame) : View(frame) {
    setBackgroundColor(Color::clear());
    setOpaque(false);
    setUserInteractionEnabled(false);
}

Size Label::sizeThatFits(Size) const {
    // Count code points, not bytes, so accented titles do not come out too wide.
    std::size_t chars = 0;
    for (unsigned char c : *text_)
        if ((c & 0xC0) != 0x80) ++chars;
    return {double(chars) * font_.size * 0.55, font_.size * 1.2};
}

void Label::draw(Painter& painter) {
    painter.drawText(text_, bounds(), {font_, alignment_, lines_, true}, textColor_);
}

void Label::applyInterfaceProperties(InterfaceProperties& p) {
    View::applyInterfaceProperties(p);
    if (p.has("text")) setText(p.string("text"));
    if (p.has("textColor")) setTextColor(p.color("textColor"));
    setFont(p.font(font_));
    if (p.has("textAlignment")) setTextAlignment(p.alignment("textAlignment"));
    if (p.has("numberOfLines")) setNumberOfLines(p.integer("numberOfLines", 0, 1000));
}

}  // namespace platform::ui
