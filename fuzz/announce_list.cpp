// The announcement list the maker's service sends: a property list of rows, then the rows'
// files, numbers and settings as the announcement check reads them.

#include "FuzzSupport.h"
#include "online/AnnounceInfo.h"
#include "online/AnnounceText.h"
#include "platform/storage/PropertyList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto root = platform::PropertyList::parse(fuzz::bytes(data, size));
    if (!root) return 0;
    online::AnnounceInfo info;
    if (!info.parse(*root)) return 0;
    FUZZ_CHECK(info.checkIntervalAfterSuccess <= online::AnnounceInfo::kMaxCheckInterval);
    FUZZ_CHECK(info.checkIntervalAfterFailure <= online::AnnounceInfo::kMaxCheckInterval);
    for (const auto& [key, row] : info.files) {
        auto ref = online::AnnounceInfo::processFileCmd(row);
        // A list that names a file outside the cache is refused whole by parse().
        FUZZ_CHECK(ref);
        FUZZ_CHECK(online::AnnounceInfo::isSafeFileName(ref->fileName));
        FUZZ_CHECK(ref->cacheFilename.find('/') == std::string::npos);
    }
    for (const auto& item : info.uiitems) {
        for (const auto& element : item.asArray()) {
            (void)online::AnnounceDoubleValue(element);
            (void)online::AnnounceIntValue(element);
            (void)online::AnnounceLongLongValue(element);
            (void)online::AnnounceHexValue(element);
        }
    }
    return 0;
}
