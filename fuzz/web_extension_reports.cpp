// Datagrams on the engine's report socket, which any process of the machine can write to.

#include <cmath>
#include <string>

#include "FuzzSupport.h"
#include "platform/web/WebProcessExtensionProtocol.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(fuzz::bytes(data, size));
    for (const char* token : {"t0k", ""}) {
        const auto report = platform::web::readWebExtensionReport(text, token);
        if (!report) continue;
        FUZZ_CHECK(*token != '\0');
        FUZZ_CHECK(std::isfinite(report->value) && report->value >= 0);
        FUZZ_CHECK(report->process > 0);
        FUZZ_CHECK(text.rfind(std::string(token) + " ", 0) == 0);
        const std::string& what = report->what;
        FUZZ_CHECK(what == platform::web::kWebExtensionReportMemory ||
                   what == platform::web::kWebExtensionReportBusy ||
                   what == platform::web::kWebExtensionReportPage ||
                   what == platform::web::kWebExtensionReportFlood);
    }
    return 0;
}
