#include "platform/ui/ModalChoice.h"

#include "platform/ui/View.h"

namespace platform::ui {

int ModalChoice::addButtonWithTitle(std::string title) {
    buttons_.push_back(std::move(title));
    return int(buttons_.size()) - 1;
}

std::string ModalChoice::buttonTitleAtIndex(int index) const {
    return index >= 0 && index < numberOfButtons() ? buttons_[std::size_t(index)] : std::string();
}

void ModalChoice::setCancelButtonIndex(int index) {
    cancelIndex_ = index >= 0 && index < numberOfButtons() ? index : -1;
}

void ModalChoice::present(const std::function<std::shared_ptr<View>()>& showOverlay) {
    auto keep = shared_from_this();
    tellWillPresent();
    visible_ = true;
    overlay_ = showOverlay();
    tellDidPresent();
}

void ModalChoice::tapButton(int index) {
    if (!visible_ || index < 0 || index >= numberOfButtons()) return;
    clickAndFinish(index);
}

void ModalChoice::clickAndFinish(int index) {
    auto keep = shared_from_this();
    tellClicked(index);
    // The click may have dismissed us already.
    if (visible_) finish(index);
}

void ModalChoice::cancel() {
    if (!visible_) return;
    auto keep = shared_from_this();
    tellCancel();
    if (visible_) finish(cancelIndex_);
}

void ModalChoice::finish(int index) {
    // A dismissal asked for from inside the will-dismiss callback is the same dismissal.
    if (dismissing_) return;
    dismissing_ = true;
    auto keep = shared_from_this();
    tellWillDismiss(index);
    visible_ = false;
    dismissing_ = false;
    if (overlay_) overlay_->removeFromSuperview();
    overlay_.reset();
    tellDidDismiss(index);
    didFinish();
}

void ModalChoice::hideSilently() {
    visible_ = false;
    if (overlay_) overlay_->removeFromSuperview();
    overlay_.reset();
}

}  // namespace platform::ui
