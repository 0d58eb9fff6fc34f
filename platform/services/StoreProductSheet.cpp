#include "platform/services/StoreProductSheet.h"

#include "platform/services/StoreProductLookup.h"
#include "platform/ui/Label.h"
#include "platform/ui/View.h"

namespace platform::services {

namespace {

constexpr const char* kStandInNote =
    "This computer has no app store; this page stands in for the product's page.";

}  // namespace

std::shared_ptr<StoreProductSheet> StoreProductSheet::create() {
    auto sheet = std::make_shared<StoreProductSheet>(Private{});
    std::weak_ptr<StoreProductSheet> weak = sheet;
    auto done = ui::BarButtonItem::createSystem(ui::SystemItem::Done, [weak](ui::BarButtonItem&) {
        if (auto self = weak.lock()) self->done();
    });
    sheet->page_->navigationItem().rightBarButtonItem = done;
    sheet->pushViewController(sheet->page_);
    return sheet;
}

StoreProductSheet::StoreProductSheet(Private) {
    page_ = ui::ViewController::create();
    page_->navigationItem().title = "Store";
    auto content = page_->view();
    content->setBackgroundColor(Color::whiteColor());
    // Below the bar: an icon-sized tile, the product's name beside it, the note under both.
    auto tile = ui::View::create({20, 24, 72, 72});
    tile->setBackgroundColor({0.33f, 0.56f, 0.86f, 1});
    content->addSubview(tile);
    headline_ = ui::Label::create({104, 24, 196, 72});
    headline_->setFont({18, true});
    headline_->setNumberOfLines(2);
    headline_->setAutoresizingMask(ui::AutoresizingFlexibleWidth);
    content->addSubview(headline_);
    detail_ = ui::Label::create({20, 116, 280, 80});
    detail_->setFont({14, false});
    detail_->setTextColor(Color::white(0.4f));
    detail_->setNumberOfLines(0);
    detail_->setAutoresizingMask(ui::AutoresizingFlexibleWidth);
    content->addSubview(detail_);
}

std::string StoreProductSheet::headline() const {
    return headline_->text();
}

std::string StoreProductSheet::detail() const {
    return detail_->text();
}

void StoreProductSheet::show(std::string headline, std::string detail) {
    headline_->setText(std::move(headline));
    detail_->setText(std::move(detail));
}

void StoreProductSheet::loadProduct(std::int64_t itemIdentifier, LoadCompletion completion) {
    std::uint64_t load = ++load_;
    show("Loading product " + std::to_string(itemIdentifier) + "\u2026", {});
    std::weak_ptr<StoreProductSheet> weak =
        std::static_pointer_cast<StoreProductSheet>(shared_from_this());
    StoreProductLookup::lookup(itemIdentifier, [weak, load, completion = std::move(completion)](
                                                   const std::optional<StoreProduct>& product,
                                                   const std::optional<Error>& error) {
        auto self = weak.lock();
        if (!self || self->load_ != load) return;
        if (product)
            self->show(product->title, kStandInNote);
        else
            self->show(error ? error->localizedDescription() : std::string(), {});
        if (completion) completion(product.has_value(), product ? std::nullopt : error);
    });
}

void StoreProductSheet::done() {
    if (auto d = delegate()) {
        d->productViewControllerDidFinish(*this);
        return;
    }
    dismissViewController(true);
}

}  // namespace platform::services
