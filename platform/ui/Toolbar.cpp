#include "platform/ui/Toolbar.h"

#include <map>

#include "platform/ui/Button.h"
#include "platform/ui/InterfaceProperties.h"

namespace platform::ui {

std::shared_ptr<Button> makeBarButton(const std::shared_ptr<BarButtonItem>& item) {
    if (!item || item->isSpace() || item->customView()) return nullptr;
    auto b = Button::create(ButtonType::Custom);
    double w = item->width();
    if (item->image()) {
        b->setImage(item->image(), ControlStateNormal);
        if (w <= 0) w = item->image()->size().width;
        if (item->style() != BarButtonItemStyle::Plain)
            b->setBackgroundColor({0.25f, 0.35f, 0.55f, 1});
    } else {
        b->setTitle(item->title(), ControlStateNormal);
        b->setTitleColor(Color::whiteColor(), ControlStateNormal);
        b->setBackgroundColor({0.25f, 0.35f, 0.55f, 1});
        Label probe;
        probe.setFont(b->font());
        probe.setText(item->title());
        if (w <= 0) w = std::max(50.0, probe.sizeThatFits({}).width + 20);
    }
    b->setEnabled(item->isEnabled());
    // A button shows no state of its own: a disabled item is dimmed.
    if (!item->isEnabled()) b->setAlpha(0.4f);
    if (item->isAccessibilityElement()) b->setAccessibilityLabel(item->accessibilityLabel());
    b->setFrame({0, 0, w, 30});
    std::weak_ptr<BarButtonItem> weak = item;
    b->addTarget(
        [weak](Control*) {
            if (auto i = weak.lock()) i->tap();
        },
        ControlEventTouchUpInside);
    return b;
}

std::shared_ptr<Toolbar> Toolbar::create(Rect frame) {
    if (frame.isEmpty()) frame.size = {320, kHeight};
    return std::make_shared<Toolbar>(frame);
}

Toolbar::Toolbar(Rect frame) : View(frame) {
    setBackgroundColor({0.4f, 0.45f, 0.55f, 1});
}

void Toolbar::setItems(std::vector<std::shared_ptr<BarButtonItem>> items) {
    for (auto& v : views_)
        if (v) v->removeFromSuperview();
    items_ = std::move(items);
    views_.clear();
    for (auto& item : items_) {
        std::shared_ptr<View> v;
        if (item && item->customView()) {
            v = item->customView();
            if (item->isAccessibilityElement())
                v->setAccessibilityLabel(item->accessibilityLabel());
            if (item->width() > 0) {
                Rect f = v->frame();
                f.size.width = item->width();
                v->setFrame(f);
            }
        } else {
            v = makeBarButton(item);
        }
        if (v) addSubview(v);
        views_.push_back(v);
    }
    setNeedsLayout();
}

std::shared_ptr<Button> Toolbar::buttonForItem(std::size_t i) const {
    return std::dynamic_pointer_cast<Button>(viewForItem(i));
}

std::shared_ptr<View> Toolbar::viewForItem(std::size_t i) const {
    return i < views_.size() ? views_[i] : nullptr;
}

void Toolbar::layoutSubviews() {
    const double margin = 6;
    double used = margin * double(items_.size() + 1);
    int flexible = 0;
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (views_[i])
            used += views_[i]->frame().size.width;
        else if (items_[i] && items_[i]->systemItem() == SystemItem::FixedSpace)
            used += items_[i]->width();
        else
            ++flexible;
    }
    double spare = std::max(0.0, bounds().size.width - used);
    double flexWidth = flexible ? spare / flexible : 0;
    double x = margin;
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (auto& b = views_[i]) {
            Rect f = b->frame();
            f.origin = {x, (bounds().size.height - f.size.height) / 2};
            b->setFrame(f);
            x += f.size.width + margin;
        } else if (items_[i] && items_[i]->systemItem() == SystemItem::FixedSpace) {
            x += items_[i]->width() + margin;
        } else {
            x += flexWidth + margin;
        }
    }
}

void Toolbar::applyInterfaceProperties(InterfaceProperties& p) {
    View::applyInterfaceProperties(p);
    if (!p.has("items")) return;
    static const std::map<std::string, SystemItem> systems = {
        {"done", SystemItem::Done},
        {"cancel", SystemItem::Cancel},
        {"edit", SystemItem::Edit},
        {"save", SystemItem::Save},
        {"add", SystemItem::Add},
        {"flexibleSpace", SystemItem::FlexibleSpace},
        {"fixedSpace", SystemItem::FixedSpace},
        {"refresh", SystemItem::Refresh},
        {"stop", SystemItem::Stop},
        {"play", SystemItem::Play},
        {"pause", SystemItem::Pause},
    };
    std::vector<std::shared_ptr<BarButtonItem>> items;
    p.objects("items", "a bar item", [&](InterfaceProperties& e) {
        std::shared_ptr<BarButtonItem> item;
        if (e.has("system")) {
            auto s = systems.find(e.string("system"));
            if (s == systems.end()) e.fail("unknown system item");
            item = BarButtonItem::createSystem(s->second);
        } else {
            item = BarButtonItem::createWithTitle(e.has("title") ? e.string("title") : "",
                                                  BarButtonItemStyle::Bordered);
        }
        if (e.has("width")) item->setWidth(e.number("width"));
        if (e.has("tag")) item->setTag(e.integer("tag"));
        if (e.has("action"))
            item->setAction([call = e.action(e.string("action"))](BarButtonItem&) {
                if (call) call(nullptr);
            });
        items.push_back(item);
    });
    setItems(std::move(items));
}

}  // namespace platform::ui
