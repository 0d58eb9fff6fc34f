// The power-supply files of sysfs as the battery reads them: type, scope, present, capacity
// and status of each supply. The input is those texts separated by NUL bytes, five to a
// supply. Whatever they hold, the answer is a level in 0..1 or unknown and a known state.

#include <vector>

#include "FuzzSupport.h"
#include "platform/device/Battery.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> fields;
    std::string_view rest = fuzz::bytes(data, size);
    while (true) {
        auto end = rest.find('\0');
        fields.emplace_back(rest.substr(0, end));
        if (end == std::string_view::npos) break;
        rest.remove_prefix(end + 1);
    }
    std::vector<platform::Battery::SupplyFiles> supplies;
    for (std::size_t i = 0; i + 5 <= fields.size(); i += 5)
        supplies.push_back({fields[i], fields[i + 1], fields[i + 2], fields[i + 3], fields[i + 4]});
    auto reading = platform::Battery::combine(supplies);
    FUZZ_CHECK(reading.level == platform::Battery::kUnknownLevel ||
               (reading.level >= 0.0f && reading.level <= 1.0f));
    int state = static_cast<int>(reading.state);
    FUZZ_CHECK(state >= 0 && state <= 3);
    return 0;
}
