// The "x-rade-" header fields of ad answers, which decide an ad's response type, tracking
// URLs, reload period, orientations and the SDK-wide switches. The input is header lines
// ("Name: value"); the first line is also read as a refresh rate on its own. The fields are
// read twice: alone and as the answer of a URL that relative tracking URLs resolve against.

#include <cmath>

#include "FuzzSupport.h"
#include "ads/foundation/GADAdResponseHeaders.h"
#include "ads/foundation/GADURLUtilities.h"

namespace {

void check(const ads::GADAdResponseHeaders& parsed) {
    for (const auto& [name, value] : parsed.fields) {
        for (char c : name) FUZZ_CHECK(!(c >= 'A' && c <= 'Z'));
    }
    if (parsed.reloadInterval)
        FUZZ_CHECK(std::isfinite(*parsed.reloadInterval) && *parsed.reloadInterval >= 0);
    const unsigned mask = parsed.supportedOrientations;
    FUZZ_CHECK(mask == 0 || mask == 6 || mask == 24 || mask == 30);
    for (const auto* urls :
         {&parsed.clickURLs, &parsed.impressionURLs, &parsed.manualImpressionURLs}) {
        if (!*urls) continue;
        FUZZ_CHECK(!(*urls)->empty());
        // Only what the pinger can send: web URLs with a host.
        for (const auto& url : **urls) FUZZ_CHECK(ads::gad_isWebURL(url) && !url.host().empty());
    }
    if (parsed.swipeToViewControllerConfigurations)
        FUZZ_CHECK(parsed.swipeToViewControllerConfigurations->size() > 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text = fuzz::bytes(data, size);
    platform::Value::Dictionary headers;
    bool first = true;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (first) {
            if (auto rate = ads::gad_refreshRateFromString(line))
                FUZZ_CHECK(std::isfinite(*rate) && *rate >= 0);
            first = false;
        }
        const auto colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        std::string_view value = line.substr(colon + 1);
        while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
        headers[std::string(line.substr(0, colon))] = platform::Value(std::string(value));
    }
    static const auto base = platform::Url::parse("https://ads.test/mads/gma?q=1");
    for (const auto& answerURL : {std::optional<platform::Url>(), base})
        check(ads::GADAdResponseHeaders::parse(headers, answerURL));
    return 0;
}
