// URL templates of mediation pings and purchase reports ("@keyword@" placeholders, "@@" for a
// literal at sign), filled from server values. The input is a template, a keyword and a value
// on three lines.

#include "FuzzSupport.h"
#include "ads/foundation/GADReplaceContentAdditions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto text = fuzz::bytes(data, size);
    const auto first = text.find('\n');
    const auto second = first == std::string_view::npos ? first : text.find('\n', first + 1);
    std::string templ(text.substr(0, first));
    const std::string keyword(first == std::string_view::npos
                                  ? std::string_view("k")
                                  : text.substr(first + 1, second - first - 1));
    const std::string value(second == std::string_view::npos ? std::string_view("v")
                                                             : text.substr(second + 1));

    FUZZ_CHECK(ads::gad_unescapeAts(ads::gad_escapeAts(text)) == text);
    // An escaped text holds no placeholder.
    std::string escaped = ads::gad_escapeAts(templ);
    FUZZ_CHECK(ads::gad_removeAtQuotedKeywords(escaped) == 0);

    std::string filled = templ;
    const std::size_t replaced = ads::gad_replaceAtQuotedKeyword(filled, keyword, value);
    if (replaced == 0) FUZZ_CHECK(filled == templ);
    // Filling with a value that is the placeholder itself gives the template back.
    std::string same = templ;
    if (!keyword.empty() && keyword.find('@') == std::string::npos) {
        ads::gad_replaceAtQuotedKeyword(same, keyword, "@" + keyword + "@");
        FUZZ_CHECK(same == templ);
    }
    (void)ads::gad_removeAtQuotedKeywords(filled);
    (void)ads::gad_unescapeAts(filled);
    return 0;
}
