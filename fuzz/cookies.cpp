// Cookie files as the jar saves them and finds them again at the next launch: a damaged or
// hostile file may lose its cookies but nothing else, and what loads must save and load again.

#include "FuzzSupport.h"
#include "platform/net/CookieJar.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto& jar = platform::CookieJar::shared();
    jar.deleteAllCookies();
    fuzz::MemoryFile file(fuzz::bytes(data, size));
    FUZZ_CHECK(jar.load(file.path()));
    auto cookies = jar.allCookies();
    for (const char* url :
         {"http://example.com/", "https://www.example.com/a/b?c", "http://localhost:8080/path"}) {
        (void)jar.cookiesForUrl(*platform::Url::parse(url));
    }
    for (const auto& cookie : cookies) {
        FUZZ_CHECK(!cookie.name.empty() && !cookie.domain.empty());
        jar.deleteCookie(cookie.name, cookie.domain);
        FUZZ_CHECK(jar.setCookie(cookie));
    }
    return 0;
}
