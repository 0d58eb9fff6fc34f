#pragma once

#include "platform/ui/Image.h"
#include "platform/ui/View.h"

namespace platform::ui {

class ImageView : public View {
  public:
    static std::shared_ptr<ImageView> create(ImagePtr image = nullptr, Rect frame = {});
    explicit ImageView(Rect frame = {});
    const char* className() const override { return "UIImageView"; }

    ImagePtr image() const { return image_; }
    void setImage(ImagePtr i) { changeDrawn(image_, std::move(i)); }
    ImagePtr highlightedImage() const { return highlightedImage_; }
    void setHighlightedImage(ImagePtr i) { changeDrawn(highlightedImage_, std::move(i)); }
    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool h) { changeDrawn(highlighted_, h); }
    ImagePtr currentImage() const {
        return highlighted_ && highlightedImage_ ? highlightedImage_ : image_;
    }
    Size sizeThatFits(Size s) const override { return image_ ? image_->size() : s; }
    void applyInterfaceProperties(InterfaceProperties& properties) override;

  protected:
    void draw(Painter& painter) override;

  private:
    ImagePtr image_;
    ImagePtr highlightedImage_;
    bool highlighted_ = false;
};

}  // namespace platform::ui
