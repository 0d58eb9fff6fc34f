#pragma once

#include <string>

#include "platform/ui/TextStyle.h"
#include "platform/ui/View.h"

namespace platform::ui {

class Label : public View {
  public:
    static std::shared_ptr<Label> create(Rect frame = {}, std::string text = {});
    explicit Label(Rect frame = {});
    const char* className() const override { return "UILabel"; }

    const std::string& text() const { return *text_; }
    void setText(std::string t) {
        auto before = text_;
        text_ = sharedText(text_, std::move(t));
        if (text_ != before) setNeedsDisplay();
    }
    Color textColor() const { return textColor_; }
    void setTextColor(Color c) { changeDrawn(textColor_, c); }
    Font font() const { return font_; }
    void setFont(Font f) { changeDrawn(font_, f); }
    TextAlignment textAlignment() const { return alignment_; }
    void setTextAlignment(TextAlignment a) { changeDrawn(alignment_, a); }
    // 0 means as many as needed.
    int numberOfLines() const { return lines_; }
    void setNumberOfLines(int n) { changeDrawn(lines_, n < 0 ? 0 : n); }

    // A rough measure (the compositor measures exactly): about 0.55 em per character.
    Size sizeThatFits(Size s) const override;
    void applyInterfaceProperties(InterfaceProperties& properties) override;

  protected:
    void draw(Painter& painter) override;

  private:
    // Replaced only when the text changes, so the painter's cache of it stays valid.
    SharedText text_ = emptySharedText();
    Color textColor_ = Color::black();
    Font font_;
    TextAlignment alignment_ = TextAlignment::Left;
    int lines_ = 1;
};

}  // namespace platform::ui
