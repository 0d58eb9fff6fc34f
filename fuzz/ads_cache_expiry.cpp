// The caching fields of ad responses ("Pragma", "Date", "Cache-Control", "Expires"), which
// decide how long the ads SDK keeps an answer, and the cache key of the URL that brought it.
// The input is header lines ("Name: value"); a line without a colon is taken as the URL.

#include <cctype>
#include <cmath>

#include "FuzzSupport.h"
#include "ads/foundation/GADHeaderParser.h"
#include "ads/foundation/GADURLConnection.h"
#include "platform/runtime/Clock.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text = fuzz::bytes(data, size);
    platform::HttpHeaders headers;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        const auto colon = line.find(':');
        if (colon == std::string_view::npos) {
            if (auto url = platform::Url::parse(line))
                FUZZ_CHECK(ads::GADURLConnection::cacheKeyForURL(*url).size() == 16);
            continue;
        }
        headers.add(line.substr(0, colon), line.substr(colon + 1));
    }
    const double before = platform::Clock::wallSeconds();
    const auto expiry = ads::gad_expirationDate(headers);
    if (!expiry) return 0;
    FUZZ_CHECK(std::isfinite(expiry->secondsSince1970));
    FUZZ_CHECK(!platform::HttpHeaders::namesEqual(headers.value("Pragma"), "no-cache"));
    std::string control = headers.value("Cache-Control");
    for (char& c : control) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    FUZZ_CHECK(control.find("no-store") == std::string::npos);
    if (control.find("max-age=") == std::string::npos && headers.contains("Expires")) {
        // Only through "Expires": later than the moment we asked.
        FUZZ_CHECK(expiry->secondsSince1970 > before);
    }
    return 0;
}
