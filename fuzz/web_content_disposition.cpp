// A server's "Content-Disposition", read to refuse what a page would have saved. Whatever
// follows the first ";" never changes the answer, and neither does the case of the letters.

#include <cctype>
#include <string>

#include "FuzzSupport.h"
#include "platform/web/ContentDisposition.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto text = fuzz::bytes(data, size);
    const bool attachment = platform::web::isAttachmentDisposition(text);

    const auto semicolon = text.find(';');
    const std::string type(text.substr(0, semicolon));
    FUZZ_CHECK(platform::web::isAttachmentDisposition(type + "; filename=\"x\"") == attachment);
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    }
    FUZZ_CHECK(platform::web::isAttachmentDisposition(upper) == attachment);
    return 0;
}
