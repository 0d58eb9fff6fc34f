#include "platform/ui/AlertView.h"

#include <algorithm>

#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/MainThread.h"
#include "platform/ui/Screen.h"
#include "platform/ui/Window.h"

namespace platform::ui {

namespace {
struct AlertQueue {
    std::shared_ptr<AlertView> current;
    std::deque<std::shared_ptr<AlertView>> waiting;
};

AlertQueue& queue() {
    static AlertQueue q;
    return q;
}
}  // namespace

std::shared_ptr<AlertView> AlertView::create(std::string title, std::string message,
                                             std::weak_ptr<AlertViewDelegate> delegate,
                                             std::string cancelButtonTitle,
                                             std::vector<std::string> otherButtonTitles) {
    auto a = std::make_shared<AlertView>();
    a->title_ = std::move(title);
    a->message_ = std::move(message);
    a->delegate_ = std::move(delegate);
    if (!cancelButtonTitle.empty()) a->cancelIndex_ = a->addButtonWithTitle(cancelButtonTitle);
    for (auto& t : otherButtonTitles) a->addButtonWithTitle(t);
    return a;
}

int AlertView::addButtonWithTitle(std::string title) {
    buttons_.push_back(std::move(title));
    return int(buttons_.size()) - 1;
}

std::string AlertView::buttonTitleAtIndex(int index) const {
    return index >= 0 && index < numberOfButtons() ? buttons_[std::size_t(index)] : std::string();
}

void AlertView::setCancelButtonIndex(int index) {
    cancelIndex_ = index >= 0 && index < numberOfButtons() ? index : -1;
}

int AlertView::firstOtherButtonIndex() const {
    for (int i = 0; i < numberOfButtons(); ++i)
        if (i != cancelIndex_) return i;
    return -1;
}

bool AlertView::isQueued() const {
    auto& w = queue().waiting;
    return std::any_of(w.begin(), w.end(), [this](auto& a) { return a.get() == this; });
}

void AlertView::show() {
    auto& q = queue();
    if (q.current.get() == this || isQueued()) return;
    if (q.current) {
        q.waiting.push_back(shared_from_this());
        return;
    }
    q.current = shared_from_this();
    present();
}

void AlertView::present() {
    auto keep = shared_from_this();
    if (auto d = delegate()) d->willPresentAlertView(*this);
    visible_ = true;
    overlay_ = buildOverlay();
    if (auto w = Application::shared().keyWindow()) {
        overlay_->setFrame(w->bounds());
        w->addOverlay(overlay_);
    }
    if (auto d = delegate()) d->didPresentAlertView(*this);
}

void AlertView::tapButton(int index) {
    if (!visible_ || index < 0 || index >= numberOfButtons()) return;
    auto keep = shared_from_this();
    if (auto d = delegate()) d->alertViewClickedButtonAtIndex(*this, index);
    // The click may have dismissed us already.
    if (visible_) finish(index);
}

void AlertView::cancel() {
    if (!visible_) return;
    auto keep = shared_from_this();
    if (auto d = delegate()) d->alertViewCancel(*this);
    if (visible_) finish(cancelIndex_);
}

void AlertView::dismissWithClickedButtonIndex(int index, bool) {
    auto& q = queue();
    if (!visible_) {
        q.waiting.erase(std::remove(q.waiting.begin(), q.waiting.end(), shared_from_this()),
                        q.waiting.end());
        return;
    }
    finish(index);
}

void AlertView::finish(int index) {
    // A dismissal asked for from inside the will-dismiss callback is the same dismissal.
    if (dismissing_) return;
    dismissing_ = true;
    auto keep = shared_from_this();
    if (auto d = delegate()) d->alertViewWillDismissWithButtonIndex(*this, index);
    visible_ = false;
    dismissing_ = false;
    if (overlay_) overlay_->removeFromSuperview();
    overlay_.reset();
    if (auto d = delegate()) d->alertViewDidDismissWithButtonIndex(*this, index);
    auto& q = queue();
    if (q.current.get() == this) {
        // Our own reference goes on a later turn: we may be inside our own callback's caller.
        postToMain([keep] {});
        q.current.reset();
        if (!q.waiting.empty()) {
            q.current = q.waiting.front();
            q.waiting.pop_front();
            q.current->present();
        }
    }
}

std::shared_ptr<AlertView> AlertView::visibleAlert() {
    return queue().current;
}
std::size_t AlertView::queuedCount() {
    return queue().waiting.size();
}

void AlertView::resetAll() {
    auto& q = queue();
    if (q.current) {
        q.current->visible_ = false;
        if (q.current->overlay_) q.current->overlay_->removeFromSuperview();
        q.current->overlay_.reset();
    }
    q.current.reset();
    q.waiting.clear();
}

std::shared_ptr<View> AlertView::buildOverlay() {
    auto dim = View::create(Screen::mainScreen().bounds());
    dim->setBackgroundColor({0, 0, 0, 0.4f});
    dim->setAutoresizingMask(AutoresizingFlexibleWidth | AutoresizingFlexibleHeight);
    Size s = dim->bounds().size;
    const double w = 280, pad = 12, buttonH = 44;
    int n = numberOfButtons();
    bool sideBySide = n == 2;
    int rows = sideBySide ? 1 : n;
    double messageH = message_.empty() ? 0 : 20.0 * double(1 + message_.size() / 36);
    double h = pad + 24 + (messageH ? messageH + 6 : 0) + pad + rows * (buttonH + 6) + pad;
    auto box = View::create({(s.width - w) / 2, (s.height - h) / 2, w, h});
    box->setBackgroundColor({0.1f, 0.16f, 0.35f, 0.95f});
    box->setAutoresizingMask(AutoresizingFlexibleLeftMargin | AutoresizingFlexibleRightMargin |
                             AutoresizingFlexibleTopMargin | AutoresizingFlexibleBottomMargin);
    dim->addSubview(box);
    auto title = Label::create({pad, pad, w - 2 * pad, 24}, title_);
    title->setTextAlignment(TextAlignment::Center);
    title->setTextColor(Color::whiteColor());
    title->setFont({17, true});
    box->addSubview(title);
    double y = pad + 24;
    if (messageH) {
        auto msg = Label::create({pad, y + 6, w - 2 * pad, messageH}, message_);
        msg->setTextAlignment(TextAlignment::Center);
        msg->setTextColor(Color::whiteColor());
        msg->setFont({15, false});
        msg->setNumberOfLines(0);
        box->addSubview(msg);
        y += messageH + 6;
    }
    y += pad;
    std::weak_ptr<AlertView> self = weak_from_this();
    for (int i = 0; i < n; ++i) {
        Rect f = sideBySide
                     ? Rect(pad + i * ((w - 3 * pad) / 2 + pad), y, (w - 3 * pad) / 2, buttonH)
                     : Rect(pad, y + i * (buttonH + 6), w - 2 * pad, buttonH);
        auto b = Button::create(ButtonType::Custom, f);
        b->setTitle(buttons_[std::size_t(i)], ControlStateNormal);
        b->setBackgroundColor(i == cancelIndex_ ? Color{0.3f, 0.35f, 0.5f, 1}
                                                : Color{0.45f, 0.5f, 0.65f, 1});
        b->setTag(i);
        b->addTarget(
            [self, i](Control*) {
                if (auto a = self.lock()) a->tapButton(i);
            },
            ControlEventTouchUpInside);
        box->addSubview(b);
    }
    return dim;
}

}  // namespace platform::ui
