#pragma once

// One payment on its way through the store's payment queue (PaymentQueue), and what the queue
// keeps of the paid ones that the program has not yet finished (PaymentTransactionRecord, and
// the text of the file they live in).
//
// A transaction is shared between the queue and whoever it reports to; its state, identifier,
// date and error change only on the main thread, by the queue, and are read there.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Error.h"
#include "platform/services/StoreProductLookup.h"

namespace platform::services {

// The store's codes for a failed payment (in kStoreErrorDomain); a product it does not sell
// fails with kStoreErrorProductNotAvailable.
inline constexpr std::int64_t kStoreErrorPaymentCancelled = 2;
// A payment the store does not take: a quantity outside 1 to 10.
inline constexpr std::int64_t kStoreErrorPaymentInvalid = 3;
inline constexpr std::int64_t kMinimumPaymentQuantity = 1;
inline constexpr std::int64_t kMaximumPaymentQuantity = 10;

enum class PaymentTransactionState : int {
    Purchasing = 0,
    Purchased = 1,
    Failed = 2,
    Restored = 3,
    Deferred = 4,
};

struct Payment {
    std::string productIdentifier;
    std::int64_t quantity = 1;
};

class PaymentTransaction {
  public:
    PaymentTransaction(Payment payment, double date) : payment_(std::move(payment)), date_(date) {}

    const Payment& payment() const { return payment_; }
    PaymentTransactionState transactionState() const { return state_; }
    // Empty until the payment went through.
    const std::string& transactionIdentifier() const { return identifier_; }
    // Seconds since 1970: when it was asked for, then when it was paid.
    double transactionDate() const { return date_; }
    // Set for a failed payment.
    const std::optional<Error>& error() const { return error_; }

  private:
    friend class PaymentQueue;

    Payment payment_;
    PaymentTransactionState state_ = PaymentTransactionState::Purchasing;
    std::string identifier_;
    double date_ = 0;
    std::optional<Error> error_;
    bool finished_ = false;
};

// A paid transaction as the queue's file keeps it.
struct PaymentTransactionRecord {
    std::string transactionIdentifier;
    std::string productIdentifier;
    std::int64_t quantity = 1;
    double date = 0;

    bool operator==(const PaymentTransactionRecord&) const = default;
};

// The file is JSON: {"transactions": [{"id", "product", "quantity", "date"}, ...]}. Reading
// refuses (nothing) a text that is not of that shape, or holds a record without an id or
// product, with a quantity outside 1 to 10, a date that is no finite number, or an id twice:
// such a file is damage, and is moved aside rather than half believed.
std::string encodePaymentTransactionRecords(const std::vector<PaymentTransactionRecord>& records);
std::optional<std::vector<PaymentTransactionRecord>> decodePaymentTransactionRecords(
    std::string_view text, std::string* problem = nullptr);

}  // namespace platform::services
