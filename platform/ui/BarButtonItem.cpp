#include "platform/ui/BarItems.h"

namespace platform::ui {

std::shared_ptr<BarButtonItem> BarButtonItem::createSystem(SystemItem item, Action action) {
    auto b = std::make_shared<BarButtonItem>();
    b->systemItem_ = item;
    b->style_ = item == SystemItem::Done ? BarButtonItemStyle::Done : BarButtonItemStyle::Bordered;
    b->action_ = std::move(action);
    return b;
}

std::shared_ptr<BarButtonItem> BarButtonItem::createWithTitle(std::string title,
                                                              BarButtonItemStyle style,
                                                              Action action) {
    auto b = std::make_shared<BarButtonItem>();
    b->title_ = std::move(title);
    b->style_ = style;
    b->action_ = std::move(action);
    return b;
}

std::shared_ptr<BarButtonItem> BarButtonItem::createWithImage(ImagePtr image,
                                                              BarButtonItemStyle style,
                                                              Action action) {
    auto b = std::make_shared<BarButtonItem>();
    b->image_ = std::move(image);
    b->style_ = style;
    b->action_ = std::move(action);
    return b;
}

std::shared_ptr<BarButtonItem> BarButtonItem::createWithCustomView(std::shared_ptr<View> view) {
    auto b = std::make_shared<BarButtonItem>();
    b->customView_ = std::move(view);
    return b;
}

std::string BarButtonItem::title() const {
    if (!title_.empty()) return title_;
    switch (systemItem_) {
        case SystemItem::Done:
            return "Done";
        case SystemItem::Cancel:
            return "Cancel";
        case SystemItem::Edit:
            return "Edit";
        case SystemItem::Save:
            return "Save";
        case SystemItem::Add:
            return "+";
        case SystemItem::Refresh:
            return "Refresh";
        case SystemItem::Stop:
            return "Stop";
        case SystemItem::Trash:
            return "Trash";
        case SystemItem::Play:
            return "Play";
        case SystemItem::Pause:
            return "Pause";
        case SystemItem::Search:
            return "Search";
        case SystemItem::Action:
            return "Open";
        default:
            return {};
    }
}

void BarButtonItem::tap() {
    if (!enabled_ || !action_) return;
    // The action may drop the last reference to this item (a bar rebuilt by it).
    auto action = action_;
    action(*this);
}

}  // namespace platform::ui
