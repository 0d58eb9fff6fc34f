// Lines of /proc/<pid>/stat, whose command any process on the machine names as it likes: the
// network watch reads them to find the engine's processes among all of them.

#include <string>

#include "FuzzSupport.h"
#include "platform/web/ProcessWatch.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto text = fuzz::bytes(data, size);
    const auto stat = platform::web::readProcessStat(text);
    if (!stat) return 0;
    FUZZ_CHECK(stat->command.size() + 6 <= text.size());
    FUZZ_CHECK(stat->parent >= 0);
    FUZZ_CHECK(platform::web::isLiveChild(text, stat->parent, stat->command) == !stat->ended());
    // Written out again as the kernel writes it, the line reads the same.
    if (stat->state != ')') {
        const std::string again = "1 (" + stat->command + ") " + stat->state + " " +
                                  std::to_string(stat->parent) + " 1 1 0";
        const auto reread = platform::web::readProcessStat(again);
        FUZZ_CHECK(reread && reread->command == stat->command && reread->state == stat->state &&
                   reread->parent == stat->parent);
    }
    return 0;
}
