#include "platform/ui/TextStyle.h"

namespace platform::ui {

const SharedText& emptySharedText() {
    static const SharedText* empty = new SharedText(std::make_shared<const std::string>());
    return *empty;
}

SharedText sharedText(const SharedText& current, std::string text) {
    if (current && *current == text) return current;
    if (text.empty()) return emptySharedText();
    return std::make_shared<const std::string>(std::move(text));
}

}  // namespace platform::ui
