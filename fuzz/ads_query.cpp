// Query strings of ad URLs and page messages, read by the ads SDK: parameter lookup, the
// page-message dictionary and appending parameters. The input is one URL, or a URL and a key
// on two lines.

#include <algorithm>

#include "FuzzSupport.h"
#include "ads/foundation/GADURLUtilities.h"
#include "platform/base/Unicode.h"

namespace {

void checkDictionary(const platform::Value::Dictionary& dict) {
    for (const auto& [key, value] : dict) {
        FUZZ_CHECK(platform::isValidUtf8(key));
        FUZZ_CHECK(value.isString() && platform::isValidUtf8(value.stringRef()));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto text = fuzz::bytes(data, size);
    // The message rule on raw text: whatever comes back is text.
    checkDictionary(ads::gad_dictionaryFromQueryParameters(text, false));
    checkDictionary(ads::gad_dictionaryFromQueryParameters(text, true));

    const auto newline = text.find('\n');
    const auto urlText = text.substr(0, newline);
    const std::string key(newline == std::string_view::npos ? "a" : text.substr(newline + 1));
    auto url = platform::Url::parse(urlText);
    if (!url) return 0;

    if (auto values = ads::gad_parameterValuesForKey(*url, key)) {
        FUZZ_CHECK(!values->empty());
        FUZZ_CHECK(ads::gad_parameterValueForKey(*url, key) == values->front());
        for (const auto& value : *values) FUZZ_CHECK(platform::isValidUtf8(value));
    }
    (void)ads::gad_impressionTicket(*url);
    (void)ads::gad_absoluteStringWithoutFragmentComponent(*url);

    const platform::Value::Dictionary params{{"k", platform::Value("v w&x")},
                                             {"n", platform::Value(3)}};
    auto appended = ads::gad_appendQueryParameters(*url, params);
    if (!appended) return 0;
    // The fragment stays the fragment, and a tail of the query from "&adurl=" stays at the end
    // of the rest.
    FUZZ_CHECK(appended->fragment() == url->fragment());
    const std::string before = ads::gad_absoluteStringWithoutFragmentComponent(*url);
    const std::string after = ads::gad_absoluteStringWithoutFragmentComponent(*appended);
    const auto query = before.find('?');
    if (auto cut = query == std::string::npos ? query : before.find("&adurl=", query);
        cut != std::string::npos) {
        const std::string tail = before.substr(cut);
        FUZZ_CHECK(after.size() >= tail.size() &&
                   after.compare(after.size() - tail.size(), tail.size(), tail) == 0);
    }
    auto added = ads::gad_parameterValuesForKey(*appended, "k");
    FUZZ_CHECK(added && std::find(added->begin(), added->end(), "v w&x") != added->end());
    return 0;
}
