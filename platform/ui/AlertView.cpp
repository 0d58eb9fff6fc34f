#include "platform/ui/AlertView.h"

#include <algorithm>

#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/MainThread.h"
#include "platform/ui/OverlayText.h"
#include "platform/ui/Screen.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/Window.h"

namespace platform::ui {

namespace {

// The dimmed screen with the alert's box in its middle. The box takes what its title, message
// and buttons need, but never more than the screen: then the message and, when they do not fit
// either, the buttons scroll, so every button can be reached. Laid out again when the window
// changes size.
class AlertOverlay : public View {
  public:
    static constexpr double kWidth = 280, kPad = 12, kTitleHeight = 24, kMessageGap = 6;
    static constexpr double kButtonHeight = 44, kButtonGap = 6;
    // Kept free around the box, and what the message keeps when both it and the buttons
    // are too long.
    static constexpr double kScreenMargin = 10, kMinMessageHeight = 60;

    using View::View;

    std::shared_ptr<View> box;
    std::shared_ptr<ScrollView> message;  // none without a message
    double messageHeight = 0;
    std::shared_ptr<ScrollView> buttons;
    double buttonsHeight = 0;
    bool sideBySide = false;

    void layoutSubviews() override {
        Size s = bounds().size;
        double top = kPad + kTitleHeight + (message ? kMessageGap : 0);
        double room = std::max(0.0, s.height - 2 * kScreenMargin - top - 2 * kPad);
        double shownMessage = messageHeight, shownButtons = buttonsHeight;
        if (messageHeight + buttonsHeight > room) {
            double keepForMessage = std::min(messageHeight, kMinMessageHeight);
            shownButtons = std::min(buttonsHeight, std::max(room - keepForMessage, room / 2));
            shownMessage = std::min(messageHeight, std::max(0.0, room - shownButtons));
        }
        double h = top + shownMessage + kPad + shownButtons + kPad;
        box->setFrame({(s.width - kWidth) / 2, (s.height - h) / 2, kWidth, h});
        if (message) message->setFrame({kPad, top, kWidth - 2 * kPad, shownMessage});
        buttons->setFrame({0, top + shownMessage + kPad, kWidth, shownButtons});
    }

    // Shows the user there is more to read or to choose from.
    void flashWhatScrolls() {
        layoutIfNeeded();
        for (auto* v : {message.get(), buttons.get()})
            if (v && v->contentSize().height > v->bounds().size.height) v->flashScrollIndicators();
    }
};

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
        q.waiting.push_back(self());
        return;
    }
    q.current = self();
    presentNow();
}

void AlertView::presentNow() {
    present([this] {
        auto overlay = buildOverlay();
        if (auto w = Application::shared().keyWindow()) {
            overlay->setFrame(w->bounds());
            w->addOverlay(overlay);
            static_cast<AlertOverlay&>(*overlay).flashWhatScrolls();
        }
        return overlay;
    });
}

void AlertView::dismissWithClickedButtonIndex(int index, bool) {
    if (!isVisible()) {
        auto& w = queue().waiting;
        w.erase(std::remove_if(w.begin(), w.end(), [this](auto& a) { return a.get() == this; }),
                w.end());
        return;
    }
    finish(index);
}

void AlertView::didFinish() {
    auto& q = queue();
    if (q.current.get() != this) return;
    // Our own reference goes on a later turn: we may be inside our own callback's caller.
    postToMain([keep = std::move(q.current)] {});
    q.current.reset();
    if (!q.waiting.empty()) {
        q.current = q.waiting.front();
        q.waiting.pop_front();
        q.current->presentNow();
    }
}

void AlertView::tellWillPresent() {
    if (auto d = delegate()) d->willPresentAlertView(*this);
}
void AlertView::tellDidPresent() {
    if (auto d = delegate()) d->didPresentAlertView(*this);
}
void AlertView::tellClicked(int index) {
    if (auto d = delegate()) d->alertViewClickedButtonAtIndex(*this, index);
}
void AlertView::tellCancel() {
    if (auto d = delegate()) d->alertViewCancel(*this);
}
void AlertView::tellWillDismiss(int index) {
    if (auto d = delegate()) d->alertViewWillDismissWithButtonIndex(*this, index);
}
void AlertView::tellDidDismiss(int index) {
    if (auto d = delegate()) d->alertViewDidDismissWithButtonIndex(*this, index);
}

std::shared_ptr<AlertView> AlertView::visibleAlert() {
    return queue().current;
}
std::size_t AlertView::queuedCount() {
    return queue().waiting.size();
}

void AlertView::resetAll() {
    auto& q = queue();
    if (q.current) q.current->hideSilently();
    q.current.reset();
    q.waiting.clear();
}

std::shared_ptr<View> AlertView::buildOverlay() {
    auto overlay = std::make_shared<AlertOverlay>(Screen::mainScreen().bounds());
    overlay->setBackgroundColor({0, 0, 0, 0.4f});
    overlay->setAutoresizingMask(AutoresizingFlexibleWidth | AutoresizingFlexibleHeight);
    const double w = AlertOverlay::kWidth, pad = AlertOverlay::kPad;
    auto box = View::create({0, 0, w, 0});
    box->setBackgroundColor({0.1f, 0.16f, 0.35f, 0.95f});
    overlay->addSubview(box);
    overlay->box = box;

    auto title = Label::create({pad, pad, w - 2 * pad, AlertOverlay::kTitleHeight},
                               boundedOverlayText(title_));
    title->setTextAlignment(TextAlignment::Center);
    title->setTextColor(Color::whiteColor());
    title->setFont({17, true});
    box->addSubview(title);

    if (!message_.empty()) {
        // As tall as its wrapped lines, or as the rough measure of earlier versions when that
        // is more, so short messages keep their place.
        std::string message = boundedOverlayText(message_);
        double estimate = 20.0 * double(1 + message.size() / 36);
        auto column = makeTextColumn(message, w - 2 * pad, estimate, {15, false},
                                     TextAlignment::Center, Color::whiteColor());
        overlay->message = ScrollView::create({pad, 0, w - 2 * pad, column.height});
        overlay->message->setContentSize({w - 2 * pad, column.height});
        overlay->message->addSubview(column.view);
        overlay->messageHeight = column.height;
        box->addSubview(overlay->message);
    }

    int n = numberOfButtons();
    overlay->sideBySide = n == 2;
    int rows = overlay->sideBySide ? 1 : n;
    const double buttonH = AlertOverlay::kButtonHeight, gap = AlertOverlay::kButtonGap;
    overlay->buttonsHeight = rows * (buttonH + gap);
    overlay->buttons = ScrollView::create({0, 0, w, overlay->buttonsHeight});
    overlay->buttons->setContentSize({w, overlay->buttonsHeight});
    box->addSubview(overlay->buttons);
    std::weak_ptr<AlertView> self = this->self();
    for (int i = 0; i < n; ++i) {
        Rect f = overlay->sideBySide
                     ? Rect(pad + i * ((w - 3 * pad) / 2 + pad), 0, (w - 3 * pad) / 2, buttonH)
                     : Rect(pad, i * (buttonH + gap), w - 2 * pad, buttonH);
        auto b = Button::create(ButtonType::Custom, f);
        b->setTitle(boundedOverlayText(buttons_[std::size_t(i)]), ControlStateNormal);
        b->setBackgroundColor(i == cancelIndex_ ? Color{0.3f, 0.35f, 0.5f, 1}
                                                : Color{0.45f, 0.5f, 0.65f, 1});
        b->setTag(i);
        b->addTarget(
            [self, i](Control*) {
                if (auto a = self.lock()) a->tapButton(i);
            },
            ControlEventTouchUpInside);
        overlay->buttons->addSubview(b);
    }
    return overlay;
}

}  // namespace platform::ui
