#include "platform/ui/TabBarButton.h"

#include <algorithm>

#include "platform/ui/Painter.h"

namespace platform::ui {

std::shared_ptr<TabBarButton> TabBarButton::create(Rect frame) {
    return std::make_shared<TabBarButton>(frame);
}

TabBarButton::TabBarButton(Rect frame) : Button(frame) {
    setTitleColor(kNormalColor, ControlStateNormal);
    setTitleColor(kSelectedTitleColor, ControlStateSelected);
}

bool TabBarButton::hasImage() const {
    auto image = currentImage();
    return image && image->size().width > 0 && image->size().height > 0;
}

Rect TabBarButton::imageRect() const {
    if (!hasImage()) return {};
    Size s = currentImage()->size();
    double fit = std::min({1.0, kImageSide / s.width, kImageSide / s.height});
    double w = s.width * fit, h = s.height * fit;
    Rect b = bounds();
    // Centred in the picture's square, so short pictures line up with tall ones' middles.
    return {b.midX() - w / 2, b.minY() + kImageTop + (kImageSide - h) / 2, w, h};
}

Rect TabBarButton::titleRect() const {
    Rect b = bounds();
    if (!hasImage()) return b;
    return {b.minX(), b.maxY() - kTitleBottom - kTitleHeight, b.width(), kTitleHeight};
}

Color TabBarButton::currentImageColor() const {
    return isSelected() ? kSelectedImageColor : currentTitleColor();
}

void TabBarButton::draw(Painter& painter) {
    Rect b = bounds();
    if (isSelected()) {
        painter.fillRect({b.minX() + kSelectionInset, b.minY() + kSelectionInset,
                          b.width() - 2 * kSelectionInset, b.height() - 2 * kSelectionInset},
                         kSelectionColor);
    }
    if (isHighlighted()) painter.fillRect(b, {0, 0, 0, 0.25f});
    float contentOpacity = isEnabled() ? 1.0f : 0.5f;
    if (auto img = currentImage(); img && img->pixels())
        painter.drawImageShape(img->pixels(), imageRect(), currentImageColor(), contentOpacity);
    std::string title = currentTitle();
    if (!title.empty())
        painter.drawText(title, titleRect(), {titleFont(), TextAlignment::Center, 1, true},
                         currentTitleColor(), contentOpacity);
}

}  // namespace platform::ui
