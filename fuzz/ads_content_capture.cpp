// The text of the app's screens (web pages are untrusted) through one content capture under
// settings the server might send: whatever the text, the capture keeps at most its shingle
// count, its fingerprint is the web-safe Base64 of 4 bytes per kept shingle, and its score
// only grows until a fingerprint is served.

#include <string>

#include "FuzzSupport.h"
#include "ads/foundation/GADContent.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 5) return 0;
    ads::GADContentSettings settings;
    settings.shingleLength = 1 + data[0] % 64;
    settings.maximumShingleCount = 1 + data[1] % 100;
    settings.minimumParagraphLength = data[2] % 32;
    settings.lengthWeight = data[3] % 8 == 7 ? 1000 : data[3] % 8;
    settings.ageWeight = data[4] % 8 == 7 ? 1000 : data[4] % 8;
    const auto text = fuzz::bytes(data + 5, size - 5);

    ads::GADContent content(1 + data[4], settings, nullptr, nullptr);
    std::int64_t score = 0;
    // The text as a few views' worth: each part is one view's text.
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\x1e', start);
        if (end == std::string::npos) end = text.size();
        content.updateContentWithText(text.substr(start, end - start));
        FUZZ_CHECK(content.score() >= score);
        score = content.score();
        start = end + 1;
    }
    FUZZ_CHECK(content.shingleCount() <= settings.maximumShingleCount);
    const std::string& fingerprint = content.fingerprint();
    const std::size_t bytes = 4 * content.shingleCount();
    FUZZ_CHECK(fingerprint.size() == (bytes + 2) / 3 * 4);
    for (char c : fingerprint) {
        FUZZ_CHECK((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                   c == '-' || c == '_' || c == '=');
    }
    content.deductServedPenalty();
    FUZZ_CHECK(content.score() == score - ads::GADContent::kServedPenalty);
    return 0;
}
