#include "platform/ui/PixelContentView.h"

namespace platform::ui {

std::shared_ptr<PixelContentView> PixelContentView::create(Rect frame) {
    return std::make_shared<PixelContentView>(frame);
}

PixelContentView::PixelContentView(Rect frame) : View(frame) {}

void PixelContentView::setContent(gfx::Image image) {
    content_ = std::move(image);
    ++generation_;
    setNeedsDisplay();
}

void PixelContentView::updateContent(const std::function<void(gfx::Image&)>& change) {
    if (change) change(content_);
    ++generation_;
    setNeedsDisplay();
}

void PixelContentView::draw(Painter& painter) {
    drawContent(painter, bounds());
}

void PixelContentView::drawContent(Painter& painter, const Rect& r) {
    // An in-place change may have left the pixels short of the size; nothing beyond them is read.
    if (content_.empty() ||
        content_.rgba().size() < std::size_t(content_.width()) * std::size_t(content_.height()) * 4)
        return;
    PixelBuffer pixels;
    pixels.id = bufferId_;
    pixels.generation = generation_;
    pixels.width = content_.width();
    pixels.height = content_.height();
    pixels.rgba = content_.rgba().data();
    pixels.premultiplied = content_.isPremultiplied();
    painter.drawPixels(pixels, r);
}

}  // namespace platform::ui
