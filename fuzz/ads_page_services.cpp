// The arguments of an ad page's everyday messages ("log", "touch", "canOpenURLs"): a page sends
// whatever text it likes. What we log must be one line of printable text within the cap, a
// URL list must be the first of what the page sent and count the rest, and numbers must come out of
// any text.

#include <algorithm>
#include <string>

#include "FuzzSupport.h"
#include "ads/fullscreen/GADDefaultGMSGHandler.h"
#include "ads/web/GADNotification.h"
#include "platform/base/Url.h"

namespace {

using ads::GADDefaultGMSGHandler;

// Well-formed UTF-8 with no control character, DEL, C1 control or line/paragraph separator.
void checkPrintable(const std::string& line) {
    for (std::size_t i = 0; i < line.size();) {
        const auto c = static_cast<unsigned char>(line[i]);
        FUZZ_CHECK(c >= 0x20 && c != 0x7f);
        std::size_t length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        FUZZ_CHECK(c < 0x80 || c >= 0xC2);
        FUZZ_CHECK(i + length <= line.size());
        for (std::size_t k = 1; k < length; ++k) {
            FUZZ_CHECK((static_cast<unsigned char>(line[i + k]) & 0xC0) == 0x80);
        }
        if (c == 0xC2) FUZZ_CHECK(static_cast<unsigned char>(line[i + 1]) >= 0xA0);
        FUZZ_CHECK(line.compare(i, 3, "\xE2\x80\xA8") != 0 &&
                   line.compare(i, 3, "\xE2\x80\xA9") != 0);
        i += length;
    }
}

void checkLog(std::string_view text) {
    const std::string line = GADDefaultGMSGHandler::logTextForPageText(text);
    FUZZ_CHECK(line.size() <= GADDefaultGMSGHandler::kMaxLogTextBytes);
    checkPrintable(line);
    // Printable text that fits is logged as it is.
    bool plain = text.size() <= GADDefaultGMSGHandler::kMaxLogTextBytes;
    for (char c : text) plain = plain && c >= 0x20 && c < 0x7f && c != '\\';
    if (plain) FUZZ_CHECK(line == text);
}

// The texts asked are the list's first ones, at most the bound, and with those counted as left
// they are every text the page sent.
void checkURLList(std::string_view text) {
    const auto texts = GADDefaultGMSGHandler::URLTextsFromParameter(text);
    FUZZ_CHECK(texts.asked.size() <= GADDefaultGMSGHandler::kMaxOpenableURLTexts);
    FUZZ_CHECK(texts.left == 0 ||
               texts.asked.size() == GADDefaultGMSGHandler::kMaxOpenableURLTexts);
    std::string joined;
    for (std::size_t i = 0; i < texts.asked.size(); ++i) {
        FUZZ_CHECK(texts.asked[i].find(',') == std::string::npos);
        if (i) joined += ',';
        joined += texts.asked[i];
    }
    const auto commas = static_cast<std::size_t>(std::count(text.begin(), text.end(), ','));
    FUZZ_CHECK(texts.asked.size() + texts.left == commas + 1);
    FUZZ_CHECK(text.substr(0, joined.size()) == joined);
    FUZZ_CHECK(texts.left == 0 ? joined.size() == text.size() : text[joined.size()] == ',');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto text = fuzz::bytes(data, size);
    checkLog(text);
    checkURLList(text);

    // The same texts as a page's message carries them, percent-decoded.
    auto url = platform::Url::parse("gmsg://movuroute/touch?" + std::string(text));
    if (!url) return 0;
    auto note = ads::GADNotification::createWithNotificationURL(*url);
    if (!note) return 0;
    for (const char* key : {"tx", "ty", "td"}) {
        (void)GADDefaultGMSGHandler::integerForKey(key, note->parameters(), -1);
    }
    if (auto string = note->parameter("string")) checkLog(*string);
    if (auto urls = note->parameter("urls")) checkURLList(*urls);
    return 0;
}
