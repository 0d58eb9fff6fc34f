#pragma once

// The store's product page, shown inside the app. This computer has no app store, so the page
// stands in for the product's: a bar titled "Store" with a "Done" button, and the product's
// name once the lookup (StoreProductLookup) found it, or why not. Main thread only.
//
// loadProduct shows "Loading product 123…" at once and, when the lookup answers on a later
// turn, "Product 123" with a line saying this page stands in for the product's page, or the
// failure ("No product 0."); then the completion runs. A second load replaces the first, whose
// completion never runs. "Done" tells the delegate, which dismisses the sheet; without a
// delegate the sheet dismisses itself. The sheet holds its delegate weakly, and a lookup under
// way holds the sheet weakly.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/Error.h"
#include "platform/ui/NavigationController.h"

namespace platform::ui {
class Label;
}

namespace platform::services {

class StoreProductSheet;

class StoreProductSheetDelegate {
  public:
    virtual ~StoreProductSheetDelegate() = default;
    virtual void productViewControllerDidFinish(StoreProductSheet&) {}
};

class StoreProductSheet : public ui::NavigationController {
  public:
    using LoadCompletion = std::function<void(bool loaded, const std::optional<Error>& error)>;

    static std::shared_ptr<StoreProductSheet> create();
    const char* className() const override { return "SKStoreProductViewController"; }

    void loadProduct(std::int64_t itemIdentifier, LoadCompletion completion = {});

    std::shared_ptr<StoreProductSheetDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<StoreProductSheetDelegate> d) { delegate_ = std::move(d); }

    // What the page shows.
    std::string headline() const;
    std::string detail() const;

  private:
    struct Private {};

  public:
    explicit StoreProductSheet(Private);

  private:
    void done();
    void show(std::string headline, std::string detail);

    std::shared_ptr<ui::ViewController> page_;
    std::shared_ptr<ui::Label> headline_;
    std::shared_ptr<ui::Label> detail_;
    std::weak_ptr<StoreProductSheetDelegate> delegate_;
    std::uint64_t load_ = 0;
};

}  // namespace platform::services
