#include "platform/ui/ActionSheet.h"

#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/MainThread.h"
#include "platform/ui/Touch.h"
#include "platform/ui/Window.h"

namespace platform::ui {

namespace {
// The dimmed area around the sheet. A finger that goes down and up on it, away from the
// panel, dismisses the sheet as a cancel; touches that climb here from the panel do not. A
// sheet without a cancel button waits for a real choice.
class SheetBackdrop : public View {
  public:
    SheetBackdrop(Rect frame, std::weak_ptr<ActionSheet> sheet)
        : View(frame), sheet_(std::move(sheet)) {}
    void setPanel(const std::shared_ptr<View>& p) { panel_ = p; }
    void touchesBegan(const TouchSet&, const Event&) override {}
    void touchesMoved(const TouchSet&, const Event&) override {}
    void touchesCancelled(const TouchSet&, const Event&) override {}
    void touchesEnded(const TouchSet& touches, const Event&) override {
        auto panel = panel_.lock();
        for (auto& t : touches) {
            if (t->view().get() != this) continue;
            if (panel && panel->frame().contains(t->locationInView(this))) continue;
            if (auto s = sheet_.lock(); s && s->cancelButtonIndex() >= 0) s->tapOutside();
            return;
        }
    }

  private:
    std::weak_ptr<ActionSheet> sheet_;
    std::weak_ptr<View> panel_;
};
}  // namespace

std::shared_ptr<ActionSheet> ActionSheet::create(std::string title,
                                                 std::weak_ptr<ActionSheetDelegate> delegate,
                                                 std::string cancelButtonTitle,
                                                 std::string destructiveButtonTitle,
                                                 std::vector<std::string> otherButtonTitles) {
    auto s = std::make_shared<ActionSheet>();
    s->title_ = std::move(title);
    s->delegate_ = std::move(delegate);
    if (!destructiveButtonTitle.empty())
        s->destructiveIndex_ = s->addButtonWithTitle(std::move(destructiveButtonTitle));
    for (auto& t : otherButtonTitles) s->addButtonWithTitle(t);
    if (!cancelButtonTitle.empty())
        s->cancelIndex_ = s->addButtonWithTitle(std::move(cancelButtonTitle));
    return s;
}

int ActionSheet::addButtonWithTitle(std::string title) {
    buttons_.push_back(std::move(title));
    return int(buttons_.size()) - 1;
}

std::string ActionSheet::buttonTitleAtIndex(int index) const {
    return index >= 0 && index < numberOfButtons() ? buttons_[std::size_t(index)] : std::string();
}

void ActionSheet::setCancelButtonIndex(int index) {
    cancelIndex_ = index >= 0 && index < numberOfButtons() ? index : -1;
}

void ActionSheet::setDestructiveButtonIndex(int index) {
    destructiveIndex_ = index >= 0 && index < numberOfButtons() ? index : -1;
}

int ActionSheet::firstOtherButtonIndex() const {
    for (int i = 0; i < numberOfButtons(); ++i)
        if (i != cancelIndex_ && i != destructiveIndex_) return i;
    return -1;
}

void ActionSheet::showInView(const std::shared_ptr<View>& v) {
    if (visible_) return;
    std::shared_ptr<Window> host;
    if (v && v->window())
        host = std::static_pointer_cast<Window>(v->window()->shared_from_this());
    else
        host = Application::shared().keyWindow();
    self_ = shared_from_this();
    if (auto d = delegate()) d->willPresentActionSheet(*this);
    visible_ = true;
    if (host) {
        overlay_ = buildOverlay(host->bounds().size.width, host->bounds().size.height);
        host->addOverlay(overlay_);
    }
    if (auto d = delegate()) d->didPresentActionSheet(*this);
}

void ActionSheet::tapButton(int index) {
    if (!visible_ || index < 0 || index >= numberOfButtons()) return;
    auto keep = shared_from_this();
    if (auto d = delegate()) d->actionSheetClickedButtonAtIndex(*this, index);
    if (visible_) finish(index);
}

void ActionSheet::tapOutside() {
    if (!visible_) return;
    auto keep = shared_from_this();
    if (auto d = delegate()) d->actionSheetClickedButtonAtIndex(*this, cancelIndex_);
    if (visible_) finish(cancelIndex_);
}

void ActionSheet::cancel() {
    if (!visible_) return;
    auto keep = shared_from_this();
    if (auto d = delegate()) d->actionSheetCancel(*this);
    if (visible_) finish(cancelIndex_);
}

void ActionSheet::dismissWithClickedButtonIndex(int index, bool) {
    if (visible_) finish(index);
}

void ActionSheet::finish(int index) {
    // A dismissal asked for from inside the will-dismiss callback is the same dismissal.
    if (dismissing_) return;
    dismissing_ = true;
    auto keep = shared_from_this();
    if (auto d = delegate()) d->actionSheetWillDismissWithButtonIndex(*this, index);
    visible_ = false;
    dismissing_ = false;
    if (overlay_) overlay_->removeFromSuperview();
    overlay_.reset();
    if (auto d = delegate()) d->actionSheetDidDismissWithButtonIndex(*this, index);
    // Let go of ourselves on a later turn, never inside our own call.
    postToMain([held = std::move(self_)] {});
}

std::shared_ptr<View> ActionSheet::buildOverlay(double width, double height) {
    auto dim = std::make_shared<SheetBackdrop>(Rect{0, 0, width, height}, weak_from_this());
    dim->setBackgroundColor({0, 0, 0, 0.4f});
    dim->setAutoresizingMask(AutoresizingFlexibleWidth | AutoresizingFlexibleHeight);
    const double pad = 10, buttonH = 44;
    int n = numberOfButtons();
    double titleH = title_.empty() ? 0 : 30;
    double h = pad + titleH + n * (buttonH + 8) + pad;
    auto panel = View::create({0, height - h, width, h});
    panel->setBackgroundColor({0.15f, 0.15f, 0.2f, 0.95f});
    panel->setAutoresizingMask(AutoresizingFlexibleWidth | AutoresizingFlexibleTopMargin);
    dim->addSubview(panel);
    dim->setPanel(panel);
    if (titleH) {
        auto t = Label::create({pad, pad, width - 2 * pad, titleH}, title_);
        t->setTextAlignment(TextAlignment::Center);
        t->setTextColor(Color::white(0.8f));
        t->setFont({13, false});
        panel->addSubview(t);
    }
    std::weak_ptr<ActionSheet> self = weak_from_this();
    // The cancel button sits apart at the bottom, as on the original.
    double y = pad + titleH;
    for (int i = 0; i < n; ++i) {
        auto b = Button::create(ButtonType::Custom, {pad * 2, y, width - 4 * pad, buttonH});
        b->setTitle(buttons_[std::size_t(i)], ControlStateNormal);
        Color bg = i == destructiveIndex_ ? Color{0.8f, 0.15f, 0.15f, 1}
                   : i == cancelIndex_    ? Color{0.25f, 0.25f, 0.3f, 1}
                                          : Color{0.5f, 0.55f, 0.65f, 1};
        b->setBackgroundColor(bg);
        b->setTag(i);
        b->addTarget(
            [self, i](Control*) {
                if (auto s = self.lock()) s->tapButton(i);
            },
            ControlEventTouchUpInside);
        panel->addSubview(b);
        y += buttonH + 8;
    }
    return dim;
}

}  // namespace platform::ui
