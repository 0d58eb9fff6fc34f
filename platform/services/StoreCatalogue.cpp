#include "platform/services/StoreCatalogue.h"

#include <cstdlib>
#include <mutex>

#include "platform/base/LogSink.h"
#include "platform/base/StringEscaping.h"
#include "platform/base/Value.h"
#include "platform/storage/AtomicFile.h"
#include "platform/storage/Bundle.h"
#include "platform/storage/Json.h"

namespace platform::services {

namespace {

// A catalogue is a handful of products; anything near this size is not one.
constexpr std::size_t kMaxCatalogueBytes = 1024 * 1024;

std::mutex& sharedMutex() {
    static std::mutex m;
    return m;
}

std::shared_ptr<const StoreCatalogue>& sharedSlot() {
    static std::shared_ptr<const StoreCatalogue> catalogue;
    return catalogue;
}

const std::string* stringField(const Value::Dictionary& d, const char* key) {
    auto it = d.find(key);
    if (it == d.end() || !it->second.isString()) return nullptr;
    return &it->second.stringRef();
}

std::string forLog(std::string_view text) {
    return escaped(text, StringEscapeStyle::log());
}

}  // namespace

StoreCatalogue::StoreCatalogue(std::vector<CatalogueProduct> products) {
    for (auto& product : products) {
        if (product.productIdentifier.empty() || index_.count(product.productIdentifier)) continue;
        index_.emplace(product.productIdentifier, products_.size());
        products_.push_back(std::move(product));
    }
}

StoreCatalogue StoreCatalogue::parse(std::string_view json, std::vector<std::string>* problems) {
    auto note = [problems](std::string line) {
        if (problems) problems->push_back(std::move(line));
    };
    Error error;
    auto value = Json::parse(json, Json::kReadingDefault, &error);
    if (!value) {
        note("not JSON: " + error.localizedDescription());
        return {};
    }
    const Value::Array* list = value->arrayPtr();
    if (!list) {
        if (const auto* top = value->dictionaryPtr()) {
            auto it = top->find("products");
            if (it != top->end()) list = it->second.arrayPtr();
        }
    }
    if (!list) {
        note("no list of products");
        return {};
    }
    std::vector<CatalogueProduct> products;
    std::map<std::string, bool> seen;
    for (std::size_t i = 0; i < list->size(); ++i) {
        const std::string where = "product " + std::to_string(i);
        const auto* entry = (*list)[i].dictionaryPtr();
        if (!entry) {
            note(where + " is not an object");
            continue;
        }
        const auto* id = stringField(*entry, "id");
        const auto* title = stringField(*entry, "title");
        const auto* currency = stringField(*entry, "currency");
        const auto* description = stringField(*entry, "description");
        auto priceIt = entry->find("price");
        std::optional<Decimal> price;
        if (priceIt != entry->end()) price = Decimal::fromValue(priceIt->second);
        if (!id || id->empty() || !title || !currency || currency->empty() || !price) {
            note(where + " lacks an id, a title, a price or a currency");
            continue;
        }
        if (price->isNegative()) {
            note(where + " has a negative price");
            continue;
        }
        if (seen.count(*id)) {
            note(where + " repeats the id " + forLog(*id));
            continue;
        }
        seen[*id] = true;
        products.push_back(
            {*id, *title, description ? *description : std::string(), *price, *currency});
    }
    return StoreCatalogue(std::move(products));
}

StoreCatalogue StoreCatalogue::readFile(const std::filesystem::path& path) {
    std::string error;
    auto bytes = AtomicFile::read(path, &error, kMaxCatalogueBytes);
    if (!bytes) {
        LogSink::write("Store: cannot read the product catalogue " + forLog(path.string()) + ": " +
                       error);
        return {};
    }
    std::vector<std::string> problems;
    auto catalogue = parse(*bytes, &problems);
    for (const auto& problem : problems) {
        LogSink::write("Store: product catalogue " + forLog(path.string()) + ": " + problem);
    }
    return catalogue;
}

std::optional<std::filesystem::path> StoreCatalogue::defaultPath() {
    if (const char* env = std::getenv("MOVUROUTE_STORE_PRODUCTS"); env && *env) return env;
    return Bundle::mainBundle()->pathForResource("StoreProducts", "json");
}

std::shared_ptr<const StoreCatalogue> StoreCatalogue::shared() {
    std::lock_guard lock(sharedMutex());
    auto& slot = sharedSlot();
    if (!slot) {
        auto path = defaultPath();
        slot = std::make_shared<const StoreCatalogue>(path ? readFile(*path) : StoreCatalogue());
    }
    return slot;
}

void StoreCatalogue::setSharedForTesting(std::shared_ptr<const StoreCatalogue> catalogue) {
    std::lock_guard lock(sharedMutex());
    sharedSlot() = std::move(catalogue);
}

const CatalogueProduct* StoreCatalogue::product(const std::string& productIdentifier) const {
    auto it = index_.find(productIdentifier);
    return it == index_.end() ? nullptr : &products_[it->second];
}

}  // namespace platform::services
