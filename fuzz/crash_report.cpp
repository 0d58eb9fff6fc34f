// Crash reports left by an earlier run: the file sits in the app's tmp folder, where anything
// may have replaced it, and what is read from it goes out in a report.

#include "FuzzSupport.h"
#include "platform/base/Unicode.h"
#include "platform/runtime/CrashCapture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string why;
    auto report = platform::CrashCapture::parseReport(fuzz::bytes(data, size), &why);
    if (!report) {
        FUZZ_CHECK(!why.empty());
        return 0;
    }
    FUZZ_CHECK(platform::isValidUtf8(report->name));
    FUZZ_CHECK(platform::isValidUtf8(report->reason));
    FUZZ_CHECK(report->name.find('\n') == std::string::npos);
    for (const auto& frame : report->frames) {
        FUZZ_CHECK(platform::isValidUtf8(frame));
        FUZZ_CHECK(frame.find('\n') == std::string::npos && frame != "end");
    }
    return 0;
}
