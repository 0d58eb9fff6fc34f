#pragma once

// The products the program's own store sells (in-app purchases). A desktop has no store, so the
// catalogue is a JSON file: the one named by MOVUROUTE_STORE_PRODUCTS, else the bundle's
// "StoreProducts.json". The game ships none, so without the variable nothing can be bought
// and the payment queue says it cannot take payments.
//
// The file is an array of products, or an object whose "products" is one:
//   [{"id": "com.example.coins", "title": "Coins", "description": "A bag of coins",
//     "price": "0.99", "currency": "USD"}]
// "price" is decimal text (or a JSON number, taken through its shortest text, so 0.29 stays
// 0.29); "id", "title" and "currency" are required, "description" may be left out. A product
// that lacks what it needs, or repeats an identifier seen before, is skipped with a log line;
// the rest of the file still counts. A file that is not JSON of that shape gives an empty
// catalogue (logged), never a crash.
//
// Immutable once made; any thread. shared() reads the file on first use and keeps it for the
// process; tests give their own with setSharedForTesting.

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Decimal.h"

namespace platform::services {

struct CatalogueProduct {
    std::string productIdentifier;
    std::string localizedTitle;
    std::string localizedDescription;
    Decimal price;
    // ISO 4217 code of the price's currency ("USD").
    std::string currencyCode;
};

class StoreCatalogue {
  public:
    StoreCatalogue() = default;
    explicit StoreCatalogue(std::vector<CatalogueProduct> products);

    // The products a file's text lists; `problems` collects one line per product skipped or
    // the reason the whole text was refused.
    static StoreCatalogue parse(std::string_view json,
                                std::vector<std::string>* problems = nullptr);
    // Reads the file; a missing or unreadable file is an empty catalogue.
    static StoreCatalogue readFile(const std::filesystem::path& path);
    // The file the environment or the bundle names, if any.
    static std::optional<std::filesystem::path> defaultPath();

    static std::shared_ptr<const StoreCatalogue> shared();
    // nullptr reads the default file again on the next shared().
    static void setSharedForTesting(std::shared_ptr<const StoreCatalogue> catalogue);

    const CatalogueProduct* product(const std::string& productIdentifier) const;
    const std::vector<CatalogueProduct>& products() const { return products_; }
    bool empty() const { return products_.empty(); }

  private:
    std::vector<CatalogueProduct> products_;
    std::map<std::string, std::size_t> index_;
};

}  // namespace platform::services
