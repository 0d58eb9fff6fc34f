#pragma once

// What every property-list target checks of a value it managed to read: whatever we can store
// we must read back, or a saved file would be lost the next time it is opened.

#include "FuzzSupport.h"
#include "platform/storage/PropertyList.h"

namespace fuzz {

inline void checkStoredValueReadsBack(const platform::Value& value) {
    using platform::PropertyList;
    using platform::PropertyListFormat;
    if (auto binary = PropertyList::serialize(value, PropertyListFormat::Binary)) {
        platform::Error error;
        auto again = PropertyList::parse(*binary, &error);
        FUZZ_CHECK(again);
        FUZZ_CHECK(sameValue(value, *again));
    }
    if (auto xml = PropertyList::serialize(value, PropertyListFormat::Xml)) {
        auto again = PropertyList::parse(*xml);
        FUZZ_CHECK(again);
        FUZZ_CHECK(again->type() == value.type());
        FUZZ_CHECK(again->size() == value.size());
    }
}

}  // namespace fuzz
