// The name a downloaded ad resource is saved under: the server's suggestion (its
// "Content-Disposition" field, else the URL's last path component) made into one safe file
// name. The input's first line is the URL the answer came from; the rest are the answer's
// header lines ("Name: value"). Whatever they say, the name must stay one printable component
// of the cache folder.

#include <filesystem>

#include "FuzzSupport.h"
#include "ads/web/GADPrecacheGMSGHandler.h"
#include "platform/base/Unicode.h"
#include "platform/net/UrlResponse.h"

namespace {

void checkSafe(std::string_view suggested) {
    const std::string name = ads::GADPrecacheGMSGHandler::safeFileName(suggested);
    FUZZ_CHECK(!name.empty());
    FUZZ_CHECK(name.size() <= ads::GADPrecacheGMSGHandler::kMaxFileNameBytes);
    FUZZ_CHECK(name.front() != '.');
    FUZZ_CHECK(platform::isValidUtf8(name));
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        FUZZ_CHECK(c != '/' && c != '\\' && byte >= 0x20 && byte != 0x7F);
    }
    const std::filesystem::path folder("/cache/folder");
    FUZZ_CHECK((folder / name).parent_path() == folder);
    // Made safe once, it stays as it is.
    FUZZ_CHECK(ads::GADPrecacheGMSGHandler::safeFileName(name) == name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text = fuzz::bytes(data, size);
    const auto firstEnd = text.find('\n');
    const std::string_view urlText = text.substr(0, firstEnd);
    text = firstEnd == std::string_view::npos ? std::string_view() : text.substr(firstEnd + 1);

    platform::UrlResponse response;
    if (auto url = platform::Url::parse(urlText)) response.url = *url;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        const auto colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        std::string_view value = line.substr(colon + 1);
        while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
        response.headers.add(std::string(line.substr(0, colon)), std::string(value));
    }
    const std::string suggested = response.suggestedFilename();
    FUZZ_CHECK(!suggested.empty());
    checkSafe(suggested);
    checkSafe(urlText);
    return 0;
}
