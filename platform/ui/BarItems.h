#pragma once

// Items shown by navigation bars, toolbars and tab bars. They are descriptions, not views: the
// bar that shows an item makes the button for it.

#include <functional>
#include <memory>
#include <string>

#include "platform/ui/Image.h"

namespace platform::ui {

class View;

// System items, with the values interface files use.
enum class SystemItem {
    None = -1,
    Done = 0,
    Cancel = 1,
    Edit = 2,
    Save = 3,
    Add = 4,
    FlexibleSpace = 5,
    FixedSpace = 6,
    Compose = 7,
    Reply = 8,
    Action = 9,
    Organize = 10,
    Bookmarks = 11,
    Search = 12,
    Refresh = 13,
    Stop = 14,
    Camera = 15,
    Trash = 16,
    Play = 17,
    Pause = 18,
    Rewind = 19,
    FastForward = 20,
};

enum class BarButtonItemStyle { Plain = 0, Bordered = 1, Done = 2 };

class BarButtonItem {
  public:
    using Action = std::function<void(BarButtonItem&)>;

    static std::shared_ptr<BarButtonItem> createSystem(SystemItem item, Action action = {});
    static std::shared_ptr<BarButtonItem> createWithTitle(std::string title,
                                                          BarButtonItemStyle style,
                                                          Action action = {});
    // A picture in place of a title (plain style: the picture alone), and a view of the
    // caller's own that the bar shows as it is (it takes no action of the item).
    static std::shared_ptr<BarButtonItem> createWithImage(ImagePtr image, BarButtonItemStyle style,
                                                          Action action = {});
    static std::shared_ptr<BarButtonItem> createWithCustomView(std::shared_ptr<View> view);

    SystemItem systemItem() const { return systemItem_; }
    // System items show fixed English titles ("Done", "Cancel", ...).
    std::string title() const;
    void setTitle(std::string t) { title_ = std::move(t); }
    BarButtonItemStyle style() const { return style_; }
    void setStyle(BarButtonItemStyle s) { style_ = s; }
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool e) { enabled_ = e; }
    int tag() const { return tag_; }
    void setTag(int t) { tag_ = t; }
    double width() const { return width_; }
    void setWidth(double w) { width_ = w; }
    void setAction(Action a) { action_ = std::move(a); }
    const ImagePtr& image() const { return image_; }
    const std::shared_ptr<View>& customView() const { return customView_; }
    // What assistive technology reads out for the item, and whether it is offered at all;
    // the bar hands both to the view that shows the item.
    const std::string& accessibilityLabel() const { return accessibilityLabel_; }
    void setAccessibilityLabel(std::string label) { accessibilityLabel_ = std::move(label); }
    bool isAccessibilityElement() const { return accessibilityElement_; }
    void setIsAccessibilityElement(bool on) { accessibilityElement_ = on; }
    bool isSpace() const {
        return systemItem_ == SystemItem::FlexibleSpace || systemItem_ == SystemItem::FixedSpace;
    }

    // What a touch on the item does; nothing when disabled.
    void tap();

  private:
    SystemItem systemItem_ = SystemItem::None;
    std::string title_;
    BarButtonItemStyle style_ = BarButtonItemStyle::Plain;
    bool enabled_ = true;
    int tag_ = 0;
    double width_ = 0;
    Action action_;
    ImagePtr image_;
    std::shared_ptr<View> customView_;
    std::string accessibilityLabel_;
    bool accessibilityElement_ = false;
};

struct NavigationItem {
    std::string title;
    std::shared_ptr<BarButtonItem> leftBarButtonItem;
    std::shared_ptr<BarButtonItem> rightBarButtonItem;
    bool hidesBackButton = false;
};

struct TabBarItem {
    std::string title;
    // Asked of the tab bar controller (interfaceImageNamed) when the bar is built.
    std::string imageName;
    int tag = 0;
    std::string badgeValue;
};

}  // namespace platform::ui
