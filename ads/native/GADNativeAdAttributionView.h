#pragma once

// A native ad's attribution badge: its text between two paddings and, at the right end, the
// attribution's icons taking turns in a push transition view. Our toolkit has no constraints,
// so the badge lays itself out (layoutSubviews) by the rule the original's constraints state:
//   H: [left padding][label][right padding][icon view], edge to edge, all centred vertically;
//   V: the paddings fill the height, which is at least the label's and the icon view's;
//   each padding is 0.37 times the label's height wide; the icon view is as wide and as high
//   as the largest icon picture (0 without icons).
// Its size (sizeThatFits) is the smallest that holds all of that, from the current attribution
// alone: a new attribution forgets the icon sizes of the one before. Corners are rounded by
// 3 points and the badge clips to them.
//
// Main thread only. Made with create(); keeps its subviews and the attribution it shows.

#include <memory>
#include <optional>
#include <string>

#include "platform/ui/TextStyle.h"
#include "platform/ui/View.h"

namespace platform::ui {
class Label;
}

namespace ads {

class GADNativeAdAttribution;
class GADPushTransitionView;

class GADNativeAdAttributionView : public platform::ui::View {
    struct Private {};

  public:
    static constexpr double kCornerRadius = 3.0;
    // Each padding's width in label heights.
    static constexpr double kPaddingPerLabelHeight = 0.37;

    static std::shared_ptr<GADNativeAdAttributionView> create(platform::Rect frame = {});
    GADNativeAdAttributionView(Private, platform::Rect frame);
    ~GADNativeAdAttributionView() override;
    const char* className() const override { return "GADNativeAdAttributionView"; }

    const std::shared_ptr<GADPushTransitionView>& iconView() const { return iconView_; }
    const std::shared_ptr<platform::ui::Label>& textView() const { return textView_; }

    const std::shared_ptr<GADNativeAdAttribution>& attribution() const { return attribution_; }
    // Text, font and colours from the attribution; one picture view per icon that has a
    // picture, cycling with the attribution's durations. Nothing clears the badge.
    void setAttribution(std::shared_ptr<GADNativeAdAttribution> attribution);
    // Whether the attribution shows anything: icons or a text.
    bool hasContent() const;

    platform::Size sizeThatFits(platform::Size size) const override;
    void layoutSubviews() override;

  private:
    platform::Size labelSize() const;

    std::shared_ptr<GADPushTransitionView> iconView_;
    std::shared_ptr<platform::ui::Label> textView_;
    std::shared_ptr<platform::ui::View> textPaddingLeft_;
    std::shared_ptr<platform::ui::View> textPaddingRight_;
    std::shared_ptr<GADNativeAdAttribution> attribution_;
    // The largest icon picture of the current attribution.
    platform::Size iconSize_{};
    // The label's measure for the text and font it was taken of: lists lay the badge out
    // every frame, and shaping the text each time would cost more than the rest of the pass.
    struct Measure {
        std::string text;
        platform::ui::Font font;
        platform::Size size;
    };
    mutable std::optional<Measure> labelMeasure_;
};

}  // namespace ads
