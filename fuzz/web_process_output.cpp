// What a web process writes on its output stream, which any process of the machine can connect
// to, and which carries text a page can have written: taken in pieces of any size.

#include <set>
#include <string>

#include "FuzzSupport.h"
#include "platform/web/WebProcessOutput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::bytes(data, size);
    // The first byte chooses the size of the pieces the rest arrives in.
    const std::size_t piece = size ? std::size_t(data[0] % 64) + 1 : 1;
    platform::web::WebProcessOutput output("t0k");
    std::set<std::string> handed;
    auto line = [&](std::string_view taken) {
        FUZZ_CHECK(!taken.empty());
        FUZZ_CHECK(taken.size() <= platform::web::WebProcessOutput::kLineBytes);
        FUZZ_CHECK(taken.find('\n') == std::string_view::npos);
        FUZZ_CHECK(handed.insert(std::string(taken)).second ||
                   handed.size() > platform::web::WebProcessOutput::kRememberedLines);
    };
    const std::string_view rest = size ? text.substr(1) : text;
    bool taken = true;
    for (std::size_t at = 0; at < rest.size(); at += piece) {
        const bool still = output.take(rest.substr(at, piece), line);
        FUZZ_CHECK(taken || !still);
        taken = still;
    }
    output.end(line);
    if (rest.rfind("t0k\n", 0) != 0) FUZZ_CHECK(handed.empty());
    return 0;
}
