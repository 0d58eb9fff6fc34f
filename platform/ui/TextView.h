#pragma once

#include <string>

#include "platform/ui/Label.h"
#include "platform/ui/ScrollView.h"

namespace platform::ui {

// Scrolling multi-line text. Editing is not offered: the program only shows texts.
class TextView : public ScrollView {
  public:
    static std::shared_ptr<TextView> create(Rect frame = {}, std::string text = {});
    explicit TextView(Rect frame = {});
    const char* className() const override { return "UITextView"; }

    const std::string& text() const { return *text_; }
    // The content size follows the text: its wrapped lines at the view's width.
    void setText(std::string t);
    Font font() const { return font_; }
    void setFont(Font f);
    Color textColor() const { return textColor_; }
    void setTextColor(Color c) { changeDrawn(textColor_, c); }
    TextAlignment textAlignment() const { return alignment_; }
    void setTextAlignment(TextAlignment a) { changeDrawn(alignment_, a); }
    bool isEditable() const { return editable_; }
    void setEditable(bool e) { editable_ = e; }

    void layoutSubviews() override;
    void applyInterfaceProperties(InterfaceProperties& properties) override;

    // Inset of the text from the view's edges.
    static constexpr double kTextInset = 8;

  protected:
    void draw(Painter& painter) override;

  private:
    void updateContentSize();

    SharedText text_ = emptySharedText();
    Font font_{12, false};
    Color textColor_ = Color::black();
    TextAlignment alignment_ = TextAlignment::Left;
    bool editable_ = false;
};

}  // namespace platform::ui
