#include "platform/ui/ImageView.h"

#include "platform/ui/InterfaceProperties.h"
#include "platform/ui/Painter.h"

namespace platform::ui {

std::shared_ptr<ImageView> ImageView::create(ImagePtr image, Rect frame) {
    if (image && frame.isEmpty()) frame.size = image->size();
    auto v = std::make_shared<ImageView>(frame);
    v->setImage(std::move(image));
    return v;
}

ImageView::ImageView(Rect frame) : View(frame) {
    setUserInteractionEnabled(false);
    setBackgroundColor(Color::clear());
    setOpaque(false);
}

void ImageView::draw(Painter& painter) {
    if (auto img = currentImage(); img && img->pixels()) painter.drawImage(img->pixels(), bounds());
}

void ImageView::applyInterfaceProperties(InterfaceProperties& p) {
    View::applyInterfaceProperties(p);
    if (p.has("image")) setImage(p.image("image"));
}

}  // namespace platform::ui
