#include "platform/ui/ActionSheet.h"

#include <algorithm>

#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/MainThread.h"
#include "platform/ui/OverlayText.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/Touch.h"
#include "platform/ui/Window.h"

namespace platform::ui {

namespace {
// The dimmed area around the sheet, and the sheet's panel at its bottom. A finger that goes
// down and up on the dimmed area, away from the panel, dismisses the sheet as a cancel; touches
// that climb here from the panel do not. A sheet without a cancel button waits for a real
// choice. The panel takes what its title and buttons need but never more than the screen: then
// the title and, when they do not fit either, the buttons scroll. Laid out again when the
// window changes size.
class SheetBackdrop : public View {
  public:
    static constexpr double kPad = 10, kButtonHeight = 44, kButtonGap = 8;
    static constexpr double kScreenMargin = 20, kMinTitleHeight = 60;

    SheetBackdrop(Rect frame, std::weak_ptr<ActionSheet> sheet)
        : View(frame), sheet_(std::move(sheet)) {}

    std::shared_ptr<View> panel;
    std::shared_ptr<ScrollView> title;  // none without a title
    double titleHeight = 0;
    std::shared_ptr<ScrollView> buttons;
    double buttonsHeight = 0;

    void layoutSubviews() override {
        Size s = bounds().size;
        double room = std::max(0.0, s.height - kScreenMargin - 2 * kPad);
        double shownTitle = titleHeight, shownButtons = buttonsHeight;
        if (titleHeight + buttonsHeight > room) {
            double keepForTitle = std::min(titleHeight, kMinTitleHeight);
            shownButtons = std::min(buttonsHeight, std::max(room - keepForTitle, room / 2));
            shownTitle = std::min(titleHeight, std::max(0.0, room - shownButtons));
        }
        double h = kPad + shownTitle + shownButtons + kPad;
        panel->setFrame({0, s.height - h, s.width, h});
        if (title) title->setFrame({kPad, kPad, s.width - 2 * kPad, shownTitle});
        buttons->setFrame({0, kPad + shownTitle, s.width, shownButtons});
    }

    void touchesBegan(const TouchSet&, const Event&) override {}
    void touchesMoved(const TouchSet&, const Event&) override {}
    void touchesCancelled(const TouchSet&, const Event&) override {}
    void touchesEnded(const TouchSet& touches, const Event&) override {
        for (auto& t : touches) {
            if (t->view().get() != this) continue;
            if (panel && panel->frame().contains(t->locationInView(this))) continue;
            if (auto s = sheet_.lock(); s && s->cancelButtonIndex() >= 0) s->tapOutside();
            return;
        }
    }

  private:
    std::weak_ptr<ActionSheet> sheet_;
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

void ActionSheet::setDestructiveButtonIndex(int index) {
    destructiveIndex_ = index >= 0 && index < numberOfButtons() ? index : -1;
}

int ActionSheet::firstOtherButtonIndex() const {
    for (int i = 0; i < numberOfButtons(); ++i)
        if (i != cancelIndex_ && i != destructiveIndex_) return i;
    return -1;
}

void ActionSheet::showInView(const std::shared_ptr<View>& v) {
    if (isVisible()) return;
    std::shared_ptr<Window> host;
    if (v && v->window())
        host = std::static_pointer_cast<Window>(v->window()->shared_from_this());
    else
        host = Application::shared().keyWindow();
    self_ = std::static_pointer_cast<ActionSheet>(shared_from_this());
    present([&]() -> std::shared_ptr<View> {
        if (!host) return nullptr;
        auto overlay = buildOverlay(host->bounds().size.width, host->bounds().size.height);
        host->addOverlay(overlay);
        return overlay;
    });
}

void ActionSheet::tapOutside() {
    if (isVisible()) clickAndFinish(cancelIndex_);
}

void ActionSheet::dismissWithClickedButtonIndex(int index, bool) {
    if (isVisible()) finish(index);
}

void ActionSheet::didFinish() {
    // Let go of ourselves on a later turn, never inside our own call.
    postToMain([held = std::move(self_)] {});
}

void ActionSheet::tellWillPresent() {
    if (auto d = delegate()) d->willPresentActionSheet(*this);
}
void ActionSheet::tellDidPresent() {
    if (auto d = delegate()) d->didPresentActionSheet(*this);
}
void ActionSheet::tellClicked(int index) {
    if (auto d = delegate()) d->actionSheetClickedButtonAtIndex(*this, index);
}
void ActionSheet::tellCancel() {
    if (auto d = delegate()) d->actionSheetCancel(*this);
}
void ActionSheet::tellWillDismiss(int index) {
    if (auto d = delegate()) d->actionSheetWillDismissWithButtonIndex(*this, index);
}
void ActionSheet::tellDidDismiss(int index) {
    if (auto d = delegate()) d->actionSheetDidDismissWithButtonIndex(*this, index);
}

std::shared_ptr<View> ActionSheet::buildOverlay(double width, double height) {
    auto dim = std::make_shared<SheetBackdrop>(
        Rect{0, 0, width, height}, std::static_pointer_cast<ActionSheet>(shared_from_this()));
    dim->setBackgroundColor({0, 0, 0, 0.4f});
    dim->setAutoresizingMask(AutoresizingFlexibleWidth | AutoresizingFlexibleHeight);
    const double pad = SheetBackdrop::kPad, buttonH = SheetBackdrop::kButtonHeight;
    const double gap = SheetBackdrop::kButtonGap;
    // Opaque: the controls behind must not show through the choices.
    auto panel = View::create({0, 0, width, 0});
    panel->setBackgroundColor({0.15f, 0.15f, 0.2f, 1});
    panel->setAutoresizingMask(AutoresizingFlexibleWidth);
    dim->addSubview(panel);
    dim->panel = panel;
    if (!title_.empty()) {
        // Every line of the question shows: one line keeps the old 30 points.
        const Font font{13, false};
        std::string title = boundedOverlayText(title_);
        std::size_t lines = wrappedLineCount(title, width - 2 * pad, font);
        double height = lines <= 1 ? 30 : double(lines) * font.size * 1.2 + 8;
        auto column = makeTextColumn(title, width - 2 * pad, height, font, TextAlignment::Center,
                                     Color::white(0.8f));
        dim->title = ScrollView::create({pad, pad, width - 2 * pad, column.height});
        dim->title->setContentSize({width - 2 * pad, column.height});
        dim->title->addSubview(column.view);
        dim->titleHeight = column.height;
        panel->addSubview(dim->title);
    }
    int n = numberOfButtons();
    dim->buttonsHeight = n * (buttonH + gap);
    dim->buttons = ScrollView::create({0, 0, width, dim->buttonsHeight});
    dim->buttons->setContentSize({width, dim->buttonsHeight});
    dim->buttons->setAutoresizingMask(AutoresizingFlexibleWidth);
    panel->addSubview(dim->buttons);
    std::weak_ptr<ActionSheet> self = std::static_pointer_cast<ActionSheet>(shared_from_this());
    // The cancel button sits apart at the bottom, where the thumb finds it without reading.
    for (int i = 0; i < n; ++i) {
        auto b = Button::create(ButtonType::Custom,
                                {pad * 2, i * (buttonH + gap), width - 4 * pad, buttonH});
        b->setTitle(boundedOverlayText(buttons_[std::size_t(i)]), ControlStateNormal);
        Color bg = i == destructiveIndex_ ? Color{0.8f, 0.15f, 0.15f, 1}
                   : i == cancelIndex_    ? Color{0.25f, 0.25f, 0.3f, 1}
                                          : Color{0.5f, 0.55f, 0.65f, 1};
        b->setBackgroundColor(bg);
        b->setTag(i);
        b->setAutoresizingMask(AutoresizingFlexibleWidth);
        b->addTarget(
            [self, i](Control*) {
                if (auto s = self.lock()) s->tapButton(i);
            },
            ControlEventTouchUpInside);
        dim->buttons->addSubview(b);
    }
    return dim;
}

}  // namespace platform::ui
