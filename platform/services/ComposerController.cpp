#include "platform/services/ComposerController.h"

#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/TextView.h"

namespace platform::services {

namespace {

// Room for two lines, so a second recipient is seen rather than cut.
constexpr double kRowHeight = 44;
constexpr double kLabelWidth = 72;

}  // namespace

std::string joinedRecipients(const std::vector<std::string>& recipients) {
    std::string out;
    for (const auto& r : recipients) {
        if (r.empty()) continue;
        if (!out.empty()) out += ", ";
        out += r;
    }
    return out;
}

ComposerController::ComposerController(std::string title,
                                       const std::vector<std::string>& fieldLabels,
                                       std::string sendTitle)
    : sendTitle_(std::move(sendTitle)) {
    page_ = ui::ViewController::create();
    page_->navigationItem().title = std::move(title);
    auto content = page_->view();
    content->setBackgroundColor(Color::whiteColor());
    double width = content->bounds().size.width;
    double y = 0;
    for (const auto& label : fieldLabels) {
        auto name = ui::Label::create({10, y, kLabelWidth, kRowHeight}, label);
        name->setFont({15, false});
        name->setTextColor(Color::white(0.45f));
        content->addSubview(name);
        auto value = ui::Label::create({10 + kLabelWidth, y, width - 20 - kLabelWidth, kRowHeight});
        value->setFont({15, false});
        value->setNumberOfLines(2);
        value->setAutoresizingMask(ui::AutoresizingFlexibleWidth);
        content->addSubview(value);
        y += kRowHeight;
        auto rule = ui::View::create({10, y - 1, width - 10, 1});
        rule->setBackgroundColor(Color::white(0.8f));
        rule->setAutoresizingMask(ui::AutoresizingFlexibleWidth);
        content->addSubview(rule);
        fields_.push_back({label, value});
    }
    body_ = ui::TextView::create({0, y + 4, width, content->bounds().size.height - y - 4});
    body_->setFont({15, false});
    body_->setAutoresizingMask(ui::AutoresizingFlexibleWidth | ui::AutoresizingFlexibleHeight);
    content->addSubview(body_);
}

void ComposerController::attachButtons() {
    std::weak_ptr<ComposerController> weak =
        std::static_pointer_cast<ComposerController>(shared_from_this());
    page_->navigationItem().leftBarButtonItem = ui::BarButtonItem::createWithTitle(
        "Cancel", ui::BarButtonItemStyle::Bordered, [weak](ui::BarButtonItem&) {
            if (auto self = weak.lock()) self->finish(false);
        });
    page_->navigationItem().rightBarButtonItem = ui::BarButtonItem::createWithTitle(
        sendTitle_, ui::BarButtonItemStyle::Done, [weak](ui::BarButtonItem&) {
            if (auto self = weak.lock()) self->finish(true);
        });
    pushViewController(page_);
}

void ComposerController::loadView() {
    NavigationController::loadView();
    // The bar's own title size would run "New Text Message" under the buttons beside it.
    titleLabel()->setFont({17, true});
}

std::shared_ptr<ui::Button> ComposerController::cancelButton() {
    view();
    return leftButton();
}

std::shared_ptr<ui::Button> ComposerController::sendButton() {
    view();
    return rightButton();
}

std::string ComposerController::fieldText(const std::string& label) const {
    for (const auto& f : fields_)
        if (f.label == label) return f.value->text();
    return {};
}

std::string ComposerController::bodyText() const {
    return body_->text();
}

void ComposerController::setFieldText(const std::string& label, std::string text) {
    for (auto& f : fields_)
        if (f.label == label) f.value->setText(std::move(text));
}

void ComposerController::setBodyText(std::string text) {
    body_->setText(std::move(text));
}

void ComposerController::finish(bool sending) {
    if (finished_) return;
    finished_ = true;
    if (sending)
        send();
    else
        cancel();
}

}  // namespace platform::services
