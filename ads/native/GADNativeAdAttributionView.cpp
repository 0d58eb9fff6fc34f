#include "ads/native/GADNativeAdAttributionView.h"

#include <algorithm>
#include <cmath>

#include "ads/native/GADNativeAdAttribution.h"
#include "ads/native/GADNativeAdImage.h"
#include "ads/slot/GADPushTransitionView.h"
#include "platform/gfx/TextRaster.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"

namespace ads {

using platform::Rect;
using platform::Size;

namespace {

// Measured where text is sharpest on our screens and rounded up: the label must never be
// narrower than its text, or the painter wraps the text out of sight.
constexpr double kMeasureScale = 2.0;
// A label's height in font sizes, as the label measures it.
constexpr double kLineHeightPerFontSize = 1.2;

}  // namespace

std::shared_ptr<GADNativeAdAttributionView> GADNativeAdAttributionView::create(Rect frame) {
    auto view = std::make_shared<GADNativeAdAttributionView>(Private{}, frame);
    // Subviews know their superview only once it is owned.
    for (const auto& subview : {std::static_pointer_cast<platform::ui::View>(view->iconView_),
                                std::static_pointer_cast<platform::ui::View>(view->textView_),
                                view->textPaddingLeft_, view->textPaddingRight_})
        view->addSubview(subview);
    return view;
}

GADNativeAdAttributionView::GADNativeAdAttributionView(Private, Rect frame)
    : View(frame),
      iconView_(GADPushTransitionView::create()),
      textView_(platform::ui::Label::create()),
      textPaddingLeft_(platform::ui::View::create()),
      textPaddingRight_(platform::ui::View::create()) {
    setClipsToBounds(true);
    setCornerRadius(kCornerRadius);
    textView_->setBackgroundColor(platform::Color::clear());
}

GADNativeAdAttributionView::~GADNativeAdAttributionView() = default;

void GADNativeAdAttributionView::setAttribution(
    std::shared_ptr<GADNativeAdAttribution> attribution) {
    MOVU_CHECK_MAIN_THREAD();
    if (!attribution) return;
    attribution_ = std::move(attribution);
    textView_->setText(attribution_->text().value_or(""));
    textView_->setFont(attribution_->font());
    textView_->setTextColor(attribution_->textColor());
    setBackgroundColor(attribution_->backgroundColor());

    std::vector<std::shared_ptr<platform::ui::View>> imageViews;
    iconSize_ = {};
    for (const auto& icon : attribution_->icons()) {
        if (!icon || !icon->image()) continue;
        const Size size = icon->image()->size();
        iconSize_.width = std::max(iconSize_.width, size.width);
        iconSize_.height = std::max(iconSize_.height, size.height);
        imageViews.push_back(platform::ui::ImageView::create(icon->image(), {{0, 0}, size}));
    }
    iconView_->setAnimationDuration(attribution_->iconAnimationDuration());
    iconView_->setPresentationDuration(attribution_->iconPresentationDuration());
    iconView_->setViews(std::move(imageViews));
    setNeedsLayout();
}

bool GADNativeAdAttributionView::hasContent() const {
    return attribution_ && (!attribution_->icons().empty() || !textView_->text().empty());
}

Size GADNativeAdAttributionView::labelSize() const {
    // An empty label takes no room at all, paddings included.
    if (textView_->text().empty()) return {};
    if (labelMeasure_ && labelMeasure_->text == textView_->text() &&
        labelMeasure_->font == textView_->font())
        return labelMeasure_->size;
    platform::gfx::TextRaster::Style style;
    style.fontName = textView_->font().bold ? "Helvetica-Bold" : "Helvetica";
    style.fontSize = textView_->font().size * kMeasureScale;
    const double width =
        platform::gfx::TextRaster::shared().measure(textView_->text(), style) / kMeasureScale;
    const Size size{std::ceil(width) + 1,
                    std::ceil(textView_->font().size * kLineHeightPerFontSize)};
    labelMeasure_ = Measure{textView_->text(), textView_->font(), size};
    return size;
}

Size GADNativeAdAttributionView::sizeThatFits(Size) const {
    const Size label = labelSize();
    const double padding = kPaddingPerLabelHeight * label.height;
    return {2 * padding + label.width + iconSize_.width, std::max(label.height, iconSize_.height)};
}

void GADNativeAdAttributionView::layoutSubviews() {
    View::layoutSubviews();
    const Size label = labelSize();
    const double padding = kPaddingPerLabelHeight * label.height;
    const double height = bounds().size.height;
    const auto centred = [height](double x, Size size) {
        return Rect{x, (height - size.height) / 2, size.width, size.height};
    };
    double x = 0;
    textPaddingLeft_->setFrame({x, 0, padding, height});
    x += padding;
    textView_->setFrame(centred(x, label));
    x += label.width;
    textPaddingRight_->setFrame({x, 0, padding, height});
    x += padding;
    iconView_->setFrame(centred(x, iconSize_));
    setCornerRadius(kCornerRadius);
    setClipsToBounds(true);
}

}  // namespace ads
