#include "platform/services/PaymentTransaction.h"

#include <cmath>
#include <set>

#include "platform/base/Value.h"
#include "platform/storage/Json.h"

namespace platform::services {

std::string encodePaymentTransactionRecords(const std::vector<PaymentTransactionRecord>& records) {
    Value::Array list;
    for (const auto& record : records) {
        Value::Dictionary entry;
        entry["id"] = Value(record.transactionIdentifier);
        entry["product"] = Value(record.productIdentifier);
        entry["quantity"] = Value(record.quantity);
        entry["date"] = Value(record.date);
        list.emplace_back(std::move(entry));
    }
    Value::Dictionary top;
    top["transactions"] = Value(std::move(list));
    return Json::write(Value(std::move(top)), Json::kWritingPrettyPrinted).value_or("{}");
}

std::optional<std::vector<PaymentTransactionRecord>> decodePaymentTransactionRecords(
    std::string_view text, std::string* problem) {
    auto fail = [problem](std::string why) -> std::optional<std::vector<PaymentTransactionRecord>> {
        if (problem) *problem = std::move(why);
        return std::nullopt;
    };
    Error error;
    auto value = Json::parse(text, Json::kReadingDefault, &error);
    if (!value) return fail("not JSON: " + error.localizedDescription());
    const auto* top = value->dictionaryPtr();
    if (!top) return fail("not an object");
    auto it = top->find("transactions");
    if (it == top->end() || !it->second.arrayPtr()) return fail("no list of transactions");
    std::vector<PaymentTransactionRecord> records;
    std::set<std::string> ids;
    for (const auto& item : *it->second.arrayPtr()) {
        const auto* entry = item.dictionaryPtr();
        if (!entry) return fail("a transaction is not an object");
        auto field = [entry](const char* key) -> const Value* {
            auto f = entry->find(key);
            return f == entry->end() ? nullptr : &f->second;
        };
        const Value* id = field("id");
        const Value* product = field("product");
        const Value* quantity = field("quantity");
        const Value* date = field("date");
        if (!id || !id->isString() || id->stringRef().empty() || !product || !product->isString() ||
            product->stringRef().empty()) {
            return fail("a transaction lacks its id or product");
        }
        if (!quantity || !quantity->isInteger() ||
            quantity->asInteger() < kMinimumPaymentQuantity ||
            quantity->asInteger() > kMaximumPaymentQuantity) {
            return fail("a transaction's quantity is not 1 to 10");
        }
        if (!date || !(date->isReal() || date->isInteger()))
            return fail("a transaction has no date");
        const double seconds = date->asReal();
        if (!std::isfinite(seconds)) return fail("a transaction's date is not a number");
        if (!ids.insert(id->stringRef()).second) return fail("a transaction id repeats");
        records.push_back({id->stringRef(), product->stringRef(), quantity->asInteger(), seconds});
    }
    return records;
}

}  // namespace platform::services
