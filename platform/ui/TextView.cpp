#include "platform/ui/TextView.h"

namespace platform::ui {

std::shared_ptr<TextView> TextView::create(Rect frame, std::string text) {
    auto v = std::make_shared<TextView>(frame);
    v->setText(std::move(text));
    return v;
}

TextView::TextView(Rect frame) : ScrollView(frame) {
    setBackgroundColor(Color::whiteColor());
}

}  // namespace platform::ui
