#pragma once

#include <cstdint>
#include <memory>

#include "appbase/ShellInterfaces.h"
#include "core/JTStringBuilder.h"

namespace JTAppBase {

class JTCanvas;

// A text rendered once into a texture whenever it changes and drawn every frame through the
// canvas, optionally over a drop shadow. Sizes are logical units; the text is rasterised at
// the app's contents scale.
class JTTextLabel : public JTCore::JTObject {
  public:
    explicit JTTextLabel(JTCanvas* canvas);

    // Colours are alpha << 24 | red << 16 | green << 8 | blue; alignment 0 left, 1 centred,
    // 2 right. The current texture is not re-rendered.
    virtual void setLayout(uint32_t textColor, int alignment, float fontSize, float width,
                           float height);
    virtual void setShadow(uint32_t shadowColor, float offsetX, float offsetY);
    virtual void clearShadow();
    // An empty reference or text clears the label.
    virtual void setText(const JTCore::JTStringPtr& text);
    virtual void setText(const JTCore::JTStringBuilderPtr& text);
    // The label's own scratch builder (made once); emptied first when clear is true.
    virtual JTCore::JTStringBuilderPtr getBuilder(bool clear);
    virtual void reset();
    virtual void draw(float x, float y, float anchorX, float anchorY);

    const std::shared_ptr<ShellTexture>& texture() const { return texture_; }
    uint32_t textColor() const { return textColor_; }
    float fontSize() const { return fontSize_; }
    int alignment() const { return alignment_; }
    double width() const { return width_; }
    double height() const { return height_; }
    bool shadowOn() const { return shadowOn_; }

  private:
    void render(const std::u16string* text);

    JTCore::JTWeakPtr<JTCanvas> canvas_;
    JTCore::JTStringBuilderPtr builder_;
    std::shared_ptr<ShellTexture> texture_;
    uint32_t textColor_ = 0xFFFFFFFF;
    float fontSize_ = 24.0f;
    int alignment_ = 1;
    double width_ = 128.0;
    double height_ = 32.0;
    uint32_t shadowColor_ = 0xFFFFFFFF;
    float shadowOffsetX_ = 0;
    float shadowOffsetY_ = 0;
    bool shadowOn_ = false;
};

using JTTextLabelPtr = boost::intrusive_ptr<JTTextLabel>;

}  // namespace JTAppBase
