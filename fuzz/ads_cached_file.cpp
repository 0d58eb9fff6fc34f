// What a cached file takes from servers and pages: the URL it is made for (whose host names a
// folder under Caches) and the "Last-Modified" text that dates the saved file. Neither may
// lead a write out of its folder, and a date we take must write back as the same second.

#include <cmath>
#include <string>

#include "FuzzSupport.h"
#include "ads/foundation/GADCachedFile.h"
#include "platform/base/Url.h"
#include "platform/net/HttpDate.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto text = fuzz::bytes(data, size);

    if (auto url = platform::Url::parse(text)) {
        const std::string host = url->host();
        if (auto folder = ads::GADCachedFile::directoryNameForHost(host)) {
            FUZZ_CHECK(!folder->empty() && *folder != "." && *folder != "..");
            FUZZ_CHECK(folder->size() <= ads::GADCachedFile::kMaxHostBytes);
            FUZZ_CHECK(folder->find_first_of(std::string("/\\\0", 3)) == std::string::npos);
            FUZZ_CHECK(*folder == (host.empty() ? "@local" : host));
        }
        const std::string name = ads::GADCachedFile::fileNameForURLString(url->absoluteString());
        FUZZ_CHECK(!name.empty() && name.size() <= 16);
        FUZZ_CHECK(name.find_first_not_of("0123456789abcdef") == std::string::npos);
    }

    if (auto date = platform::parseHttpDate(text)) {
        FUZZ_CHECK(std::isfinite(date->secondsSince1970));
        const std::string written = platform::formatHttpDate(*date);
        if (!written.empty()) {
            auto again = platform::parseHttpDate(written);
            FUZZ_CHECK(again);
            FUZZ_CHECK(again->secondsSince1970 == std::floor(date->secondsSince1970));
        }
    }
    return 0;
}
