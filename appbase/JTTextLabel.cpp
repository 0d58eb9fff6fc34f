#include "appbase/JTTextLabel.h"

#include "appbase/JTAppContext.h"
#include "appbase/JTCanvas.h"
#include "core/Utf16.h"

namespace JTAppBase {

JTTextLabel::JTTextLabel(JTCanvas* canvas) : canvas_(canvas) {
    reset();
}

void JTTextLabel::setLayout(uint32_t textColor, int alignment, float fontSize, float width,
                            float height) {
    textColor_ = textColor;
    alignment_ = alignment;
    fontSize_ = fontSize;
    width_ = width;
    height_ = height;
}

void JTTextLabel::setShadow(uint32_t shadowColor, float offsetX, float offsetY) {
    shadowColor_ = shadowColor;
    shadowOffsetX_ = offsetX;
    shadowOffsetY_ = offsetY;
    shadowOn_ = true;
}

void JTTextLabel::clearShadow() {
    shadowOn_ = false;
}

void JTTextLabel::setText(const JTCore::JTStringPtr& text) {
    render(text ? &text->text() : nullptr);
}

void JTTextLabel::setText(const JTCore::JTStringBuilderPtr& text) {
    render(text ? &text->text() : nullptr);
}

void JTTextLabel::render(const std::u16string* text) {
    if (text == nullptr || text->empty()) {
        texture_.reset();
        return;
    }
    // Everything needed to rasterise hangs off the canvas; when any of it is gone the label
    // shows nothing rather than a stale text.
    std::shared_ptr<ShellTexture> next;
    auto canvas = canvas_.lock();
    auto context = canvas ? canvas->getAppContext() : nullptr;
    auto core = context ? context->getAppCore() : nullptr;
    TextTextureFactory* factory = core ? core->textTextureFactory() : nullptr;
    if (factory != nullptr) {
        const float scale = core->contentsScaleValue();
        next = factory->newTextTexture(JTCore::Utf16ToUtf8(*text),
                                       platform::Size{width_ * scale, height_ * scale}, alignment_,
                                       "Arial", fontSize_ * scale, scale);
    }
    texture_ = std::move(next);
}

JTCore::JTStringBuilderPtr JTTextLabel::getBuilder(bool clear) {
    if (!builder_) builder_ = JTCore::JTNew<JTCore::JTStringBuilder>();
    if (clear) builder_->setLength(0);
    return builder_;
}

void JTTextLabel::reset() {
    texture_.reset();
    textColor_ = 0xFFFFFFFF;
    fontSize_ = 24.0f;
    alignment_ = 1;
    width_ = 128.0;
    height_ = 32.0;
    shadowColor_ = 0xFFFFFFFF;
    shadowOffsetX_ = 0;
    shadowOffsetY_ = 0;
    shadowOn_ = false;
}

void JTTextLabel::draw(float x, float y, float anchorX, float anchorY) {
    auto canvas = canvas_.lock();
    if (!texture_ || !canvas) return;
    // Keep the texture alive through the draw even if a callee replaces it.
    std::shared_ptr<ShellTexture> texture = texture_;
    const double h = height_;
    const double w = width_;
    const double left = x - anchorX * w;
    const double bottom = (canvas->getHeight() - y) - (1 - anchorY) * h;
    if (shadowOn_) {
        canvas->setColor(shadowColor_);
        canvas->applyColor(texture.get());
        texture->drawInRect(platform::Rect(left + shadowOffsetX_, bottom - shadowOffsetY_, w, h));
    }
    canvas->setColor(textColor_);
    canvas->applyColor(texture.get());
    texture->drawInRect(platform::Rect(left, bottom, w, h));
    canvas->resetColor();
}

}  // namespace JTAppBase
