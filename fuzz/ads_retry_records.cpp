// The pinger's retry records, read back from the user defaults, where anything may have
// edited them: a pass over them must never take a record of the wrong kind for one, never
// raise a count, and leave only records it can read again; with limits, never keep or ping
// more than the group's maximum, nor leave a count above the retries a new record gets.

#include <algorithm>
#include <set>
#include <string>

#include "FuzzSupport.h"
#include "ads/foundation/GADRetryStore.h"
#include "ads/foundation/GADSettingsKeys.h"
#include "platform/storage/PropertyList.h"

namespace {

using platform::Value;

void checkPass(const Value::Dictionary& group) {
    // Every other URL counts as in flight.
    std::set<std::string> inFlight;
    bool flip = false;
    for (const auto& [url, record] : group) {
        if ((flip = !flip)) inFlight.insert(url);
    }
    auto pass = ads::GADRetryStore::pass(
        group, [&](const std::string& url) { return inFlight.count(url) > 0; });
    FUZZ_CHECK(pass.group.size() <= group.size());
    for (const auto& url : pass.toPing) {
        FUZZ_CHECK(!inFlight.count(url));
        FUZZ_CHECK(pass.group.count(url));
    }
    for (const auto& [url, record] : pass.group) {
        FUZZ_CHECK(group.count(url));
        if (inFlight.count(url)) {
            // Value's == follows IEEE, under which a stored NaN never equals itself.
            FUZZ_CHECK(fuzz::sameValue(record, group.at(url)));
            continue;
        }
        auto before = ads::GADRetryStore::retryCountOf(group.at(url));
        auto after = ads::GADRetryStore::retryCountOf(record);
        FUZZ_CHECK(before && after && *before >= 1 && *after == *before - 1);
    }
    // A second pass with nothing in flight changes nothing it need not.
    auto again = ads::GADRetryStore::pass(pass.group, {});
    FUZZ_CHECK(again.group.size() <= pass.group.size());

    // Limits taken from the input's size, so both sides of them are reached.
    const std::int64_t maximum = static_cast<std::int64_t>(group.size() / 2);
    const std::int64_t retries = static_cast<std::int64_t>(group.size() % 4);
    auto limited = ads::GADRetryStore::pass(
        group, [&](const std::string& url) { return inFlight.count(url) > 0; }, maximum, retries);
    FUZZ_CHECK(limited.group.size() <= static_cast<std::size_t>(maximum));
    FUZZ_CHECK(limited.toPing.size() <= static_cast<std::size_t>(maximum));
    FUZZ_CHECK(limited.overMaximum == group.size() - static_cast<std::size_t>(maximum));
    for (const auto& url : limited.toPing) {
        auto count = ads::GADRetryStore::retryCountOf(limited.group.at(url));
        FUZZ_CHECK(count && *count >= 0 && *count < std::max<std::int64_t>(retries, 1));
    }
    auto trimmed = group;
    FUZZ_CHECK(ads::GADRetryStore::trim(trimmed, maximum) == limited.overMaximum);
    FUZZ_CHECK(trimmed.size() == static_cast<std::size_t>(maximum));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto value = platform::PropertyList::parse(fuzz::bytes(data, size));
    if (!value) return 0;
    const auto keys = ads::GADRetryStore::groupKeysFrom(*value);
    std::set<std::string> unique(keys.begin(), keys.end());
    FUZZ_CHECK(unique.size() == keys.size());
    for (const auto& key : keys) FUZZ_CHECK(ads::GADRetryStore::isUsableGroupKey(key));

    if (const auto* group = value->dictionaryPtr()) {
        checkPass(*group);
        for (const auto& [key, inner] : *group) {
            if (const auto* nested = inner.dictionaryPtr()) checkPass(*nested);
        }
    }
    return 0;
}
