// What a web process says of the navigations the program let load only in a frame (a number
// and whether it was the page's own), and the request headers by which the process's
// extension tells a page's document from a frame's: a page, or a web process a page took
// over, chooses both.

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzSupport.h"
#include "platform/web/FrameOnlyNavigations.h"

namespace {

std::vector<std::string_view> lines(std::string_view text) {
    std::vector<std::string_view> parts;
    while (true) {
        const auto end = text.find('\n');
        parts.push_back(text.substr(0, end));
        if (end == std::string_view::npos) return parts;
        text.remove_prefix(end + 1);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto parts = lines(fuzz::bytes(data, size));

    // The first line: each pair of bytes adds a navigation, then is one word of the web
    // process on the number the first byte names (counted back from the newest).
    platform::web::FrameOnlyNavigations<std::uint64_t> waiting;
    std::map<std::uint64_t, bool> given;
    std::vector<std::uint64_t> numbers;
    const std::string_view words = parts[0];
    for (std::size_t i = 0; i + 1 < words.size(); i += 2) {
        const std::uint64_t number = waiting.add(numbers.size());
        numbers.push_back(number);
        given[number] = true;
        const auto back = static_cast<unsigned char>(words[i]);
        const std::uint64_t named =
            back >= numbers.size() ? back * 977u : numbers[numbers.size() - 1 - back];
        const bool pagesOwn = words[i + 1] & 1;
        const bool held = waiting.contains(named);
        const auto settled = waiting.settle(named, pagesOwn);
        FUZZ_CHECK(!settled || (held && pagesOwn));
        FUZZ_CHECK(!waiting.contains(named));
        if (settled) FUZZ_CHECK(numbers.at(*settled) == named);
        FUZZ_CHECK(waiting.size() <= platform::web::kMostWaitingFrameOnlyNavigations);
    }
    for (const auto left : waiting.takeAll()) FUZZ_CHECK(left < numbers.size());

    // The next four: a request's fetch destination, its Accept, its address and the page's.
    if (parts.size() >= 5) {
        const auto target = platform::web::requestTarget(parts[1], parts[2], parts[3], parts[4]);
        if (target == platform::web::RequestTarget::Page) {
            FUZZ_CHECK(parts[1] == "document" ||
                       (parts[1].empty() && parts[2].substr(0, 9) == "text/html"));
        }
        if (!parts[1].empty() && parts[1] != "document" && parts[1] != "iframe" &&
            parts[1] != "frame") {
            FUZZ_CHECK(target == platform::web::RequestTarget::NotADocument);
        }
        platform::web::FrameOnlyRequests requests;
        requests.add(1, std::string(parts[3]));
        FUZZ_CHECK(requests.take(parts[3]) == 1u);
        FUZZ_CHECK(requests.empty());
    }
    return 0;
}
