// URLs from links, server answers and redirects, and the percent decoding behind their parts.
// The input is one URL, or a base and a reference on two lines.

#include "platform/base/Url.h"
#include "FuzzSupport.h"
#include "platform/base/PercentEncoding.h"

namespace {

void exercise(const platform::Url& url) {
    (void)url.resourceSpecifier();
    (void)url.user();
    (void)url.password();
    (void)url.host();
    (void)url.path();
    (void)url.pathComponents();
    (void)url.lastPathComponent();
    (void)url.pathExtension();
    (void)url.queryItems();
    (void)url.queryValue("a");
    (void)url.isFileUrl();
    (void)url.withoutFragment();
    auto appended = url.appendingPathComponent("x y/%");
    (void)appended.absoluteString();
    // A URL we hand out must be one we accept again.
    FUZZ_CHECK(platform::Url::parse(url.absoluteString()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto text = fuzz::bytes(data, size);

    for (bool plus : {false, true}) {
        auto decoded = platform::percentDecodeBytes(text, plus);
        auto utf8 = platform::percentDecode(text, plus);
        if (utf8) FUZZ_CHECK(decoded && *decoded == *utf8);
    }
    for (const auto* allowed :
         {&platform::UrlCharacterSet::pathAllowed(), &platform::UrlCharacterSet::queryAllowed(),
          &platform::UrlCharacterSet::unreserved()}) {
        auto encoded = platform::percentEncode(text, *allowed);
        auto back = platform::percentDecodeBytes(encoded);
        FUZZ_CHECK(back && *back == text);
    }

    auto newline = text.find('\n');
    if (newline == std::string_view::npos) {
        if (auto url = platform::Url::parse(text)) exercise(*url);
        return 0;
    }
    auto base = platform::Url::parse(text.substr(0, newline));
    if (!base) return 0;
    exercise(*base);
    if (auto resolved = base->resolve(text.substr(newline + 1))) exercise(*resolved);
    return 0;
}
