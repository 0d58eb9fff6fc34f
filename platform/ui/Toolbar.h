#pragma once

#include <memory>
#include <vector>

#include "platform/ui/BarItems.h"
#include "platform/ui/View.h"

namespace platform::ui {

class Button;

// A bar of items laid out left to right; flexible spaces share what is left.
class Toolbar : public View {
  public:
    static constexpr double kHeight = 44;
    static std::shared_ptr<Toolbar> create(Rect frame = {});
    explicit Toolbar(Rect frame = {});
    const char* className() const override { return "UIToolbar"; }

    const std::vector<std::shared_ptr<BarButtonItem>>& items() const { return items_; }
    void setItems(std::vector<std::shared_ptr<BarButtonItem>> items);
    // The button showing item i (nullptr for spaces, custom views or out of range).
    std::shared_ptr<Button> buttonForItem(std::size_t i) const;
    // The view showing item i: its button or its custom view (nullptr for spaces or out of
    // range).
    std::shared_ptr<View> viewForItem(std::size_t i) const;

    void layoutSubviews() override;
    void applyInterfaceProperties(InterfaceProperties& properties) override;

  private:
    std::vector<std::shared_ptr<BarButtonItem>> items_;
    std::vector<std::shared_ptr<View>> views_;
};

// Makes the button a bar shows for an item; the item's action runs on touch-up-inside. An item
// with a picture shows it instead of a title; the button is labelled for assistive technology
// when the item is offered to it. Spaces and custom views have no button.
std::shared_ptr<Button> makeBarButton(const std::shared_ptr<BarButtonItem>& item);

}  // namespace platform::ui
