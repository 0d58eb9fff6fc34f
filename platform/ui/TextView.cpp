#include "platform/ui/TextView.h"

#include <algorithm>

#include "platform/gfx/TextRaster.h"
#include "platform/ui/InterfaceProperties.h"
#include "platform/ui/Painter.h"

namespace platform::ui {

std::shared_ptr<TextView> TextView::create(Rect frame, std::string text) {
    auto v = std::make_shared<TextView>(frame);
    v->setText(std::move(text));
    return v;
}

TextView::TextView(Rect frame) : ScrollView(frame) {
    setBackgroundColor(Color::whiteColor());
}

void TextView::setText(std::string t) {
    text_ = sharedText(text_, std::move(t));
    setNeedsDisplay();
    updateContentSize();
}

void TextView::setFont(Font f) {
    font_ = f;
    setNeedsDisplay();
    updateContentSize();
}

void TextView::layoutSubviews() {
    updateContentSize();
}

void TextView::updateContentSize() {
    double width = bounds().size.width;
    double inner = width - 2 * kTextInset;
    if (text_->empty() || inner <= 0) {
        setContentSize({width, 0});
        return;
    }
    gfx::TextRaster::Style style;
    style.fontName = font_.bold ? "Helvetica-Bold" : "Helvetica";
    style.fontSize = font_.size;
    auto lines = gfx::TextRaster::shared().wrap(*text_, inner, style).size();
    setContentSize({width, double(lines) * font_.size * 1.2 + 2 * kTextInset});
}

void TextView::draw(Painter& painter) {
    // The whole content scrolls: the box starts at the content's top, not the bounds'.
    Rect b = bounds();
    Rect box{kTextInset, kTextInset, b.size.width - 2 * kTextInset,
             std::max(b.size.height, contentSize().height) - 2 * kTextInset};
    painter.drawText(text_, box, {font_, alignment_, 0, false}, textColor_);
}

void TextView::applyInterfaceProperties(InterfaceProperties& p) {
    ScrollView::applyInterfaceProperties(p);
    if (p.has("text")) setText(p.string("text"));
    if (p.has("textColor")) setTextColor(p.color("textColor"));
    setFont(p.font(font_));
    if (p.has("textAlignment")) setTextAlignment(p.alignment("textAlignment"));
    if (p.has("editable")) setEditable(p.boolean("editable"));
    // The text sets the content size; a size the file gives wins.
    if (p.has("contentSize")) setContentSize(p.size("contentSize"));
}

}  // namespace platform::ui
