// The advertising identifier's record: a file in a folder every program of the maker (and so
// anyone who writes there) shares. What parses must store and parse again unchanged.

#include "FuzzSupport.h"
#include "platform/device/AdvertisingIdentifier.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using platform::AdvertisingIdentifier;
    auto record = AdvertisingIdentifier::parse(fuzz::bytes(data, size));
    if (!record) return 0;
    FUZZ_CHECK(!record->identifier.isNull());
    auto again = AdvertisingIdentifier::parse(AdvertisingIdentifier::serialize(*record));
    FUZZ_CHECK(again && again->identifier == record->identifier &&
               again->trackingEnabled == record->trackingEnabled);
    return 0;
}
