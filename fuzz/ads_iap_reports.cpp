// Purchase and conversion reports: templates from a server's settings or an ad's page, product
// ids from an ad, prices from the store's catalogue. Values never add a parameter or a
// fragment to a template, and prices come out as plain decimals the way reports want them.

#include <algorithm>
#include <cctype>
#include <map>

#include "FuzzSupport.h"
#include "ads/fullscreen/GADInAppPurchase.h"
#include "ads/iap/GADConversionText.h"

namespace {

std::size_t countOf(std::string_view text, char c) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), c));
}

bool isQueryValueText(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](unsigned char c) {
        return std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~' || c == '%';
    });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Three texts split at NUL bytes: template, product id, price.
    std::string_view input = fuzz::bytes(data, size);
    std::string_view parts[3];
    for (auto& part : parts) {
        auto end = input.find('\0');
        part = input.substr(0, end);
        input = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);
    }
    const std::string format(parts[0]);
    const std::string id(parts[1]);

    const std::map<std::string, std::string> keywords{{"sku", id},
                                                      {"price", std::string(parts[2])}};
    const std::string url = ads::GADInAppPurchase::expandedURLString(format, keywords);
    FUZZ_CHECK(countOf(url, '&') <= countOf(format, '&'));
    FUZZ_CHECK(countOf(url, '#') <= countOf(format, '#'));
    FUZZ_CHECK(countOf(url, '=') <= countOf(format, '='));
    const std::string alone = ads::GADInAppPurchase::expandedURLString("@sku@", keywords);
    FUZZ_CHECK(isQueryValueText(alone));

    if (auto price = platform::Decimal::parse(parts[2])) {
        const std::string text = ads::GADConversionPriceString(*price);
        FUZZ_CHECK(text.find_first_of("eE,+") == std::string::npos);
        auto back = platform::Decimal::parse(text);
        FUZZ_CHECK(back && *back == price->floor(6));
        const auto point = text.find('.');
        if (point != std::string::npos) {
            FUZZ_CHECK(text.size() - point - 1 <= 6);
            FUZZ_CHECK(text.back() != '0');
            FUZZ_CHECK(point > 0 && std::isdigit(static_cast<unsigned char>(text[point - 1])));
        }
    }
    return 0;
}
