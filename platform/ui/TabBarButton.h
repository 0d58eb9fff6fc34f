#pragma once

// One item of a tab bar: the item's picture above its title, both in the colour of the item's
// state. The picture counts only as a shape (its alpha), as on a phone's tab bar, so one white
// icon serves for the selected and the unselected look. An item without a picture shows its
// title alone, centred.

#include <memory>

#include "platform/ui/Button.h"

namespace platform::ui {

class TabBarButton : public Button {
  public:
    // The largest picture, in points; a bigger one is scaled down into it.
    static constexpr double kImageSide = 30;
    static constexpr double kImageTop = 4;
    static constexpr double kTitleHeight = 13;
    static constexpr double kTitleBottom = 2;
    static constexpr Font kTitleFont{10, true};
    static constexpr Color kNormalColor = Color::white(0.6f);
    static constexpr Color kSelectedTitleColor = Color::whiteColor();
    static constexpr Color kSelectedImageColor = Color::rgba(0.25f, 0.65f, 1.0f);
    // The lighter field behind the selected item.
    static constexpr Color kSelectionColor = Color::white(1, 0.1f);
    static constexpr double kSelectionInset = 2;

    static std::shared_ptr<TabBarButton> create(Rect frame);
    explicit TabBarButton(Rect frame);
    const char* className() const override { return "UITabBarButton"; }

    bool hasImage() const;
    // Where the picture goes: its proportions kept, centred across, near the top. Empty without
    // a picture.
    Rect imageRect() const;
    // Where the title goes: below the picture, or the whole item without one.
    Rect titleRect() const;
    Font titleFont() const { return hasImage() ? kTitleFont : font(); }
    Color currentImageColor() const;

  protected:
    void draw(Painter& painter) override;
};

}  // namespace platform::ui
