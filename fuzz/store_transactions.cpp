// The payment queue's file of unfinished purchases, read back at start: a text it accepts
// holds only records a purchase could have made, and writes back to the same records.

#include <cmath>

#include "FuzzSupport.h"
#include "platform/services/PaymentTransaction.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace platform::services;
    auto records = decodePaymentTransactionRecords(fuzz::bytes(data, size));
    if (!records) return 0;
    for (const auto& record : *records) {
        FUZZ_CHECK(!record.transactionIdentifier.empty());
        FUZZ_CHECK(!record.productIdentifier.empty());
        FUZZ_CHECK(record.quantity >= 1 && record.quantity <= 10);
        FUZZ_CHECK(std::isfinite(record.date));
    }
    auto again = decodePaymentTransactionRecords(encodePaymentTransactionRecords(*records));
    FUZZ_CHECK(again && again->size() == records->size());
    for (std::size_t i = 0; i < records->size(); ++i) {
        FUZZ_CHECK((*again)[i].transactionIdentifier == (*records)[i].transactionIdentifier);
        FUZZ_CHECK((*again)[i].productIdentifier == (*records)[i].productIdentifier);
        FUZZ_CHECK((*again)[i].quantity == (*records)[i].quantity);
    }
    return 0;
}
