// A crash report of an earlier run, as the SDK turns it into the text it sends: the file sits
// in the app's tmp folder, where anything may have replaced it. What goes out must be text, no
// longer than the server takes, and hold neither the program's name nor a folder.

#include <string>

#include "FuzzSupport.h"
#include "ads/foundation/GADCrashReporter.h"
#include "platform/base/Unicode.h"
#include "platform/runtime/CrashCapture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto report = platform::CrashCapture::parseReport(fuzz::bytes(data, size));
    if (!report) return 0;
    auto trace = ads::GADCrashReporter::stackTrace(*report, "movuroute");
    if (!trace) return 0;
    FUZZ_CHECK(platform::isValidUtf8(*trace));
    FUZZ_CHECK(platform::utf16Length(*trace) <= ads::GADCrashReporter::kMaxStackTraceLength);
    for (const auto& frame : report->frames) {
        const std::string bare = ads::GADCrashReporter::frameWithoutFolders(frame);
        FUZZ_CHECK(frame.size() >= bare.size());
        FUZZ_CHECK(frame.compare(frame.size() - bare.size(), bare.size(), bare) == 0);
    }
    const std::string cleaned = ads::GADCrashReporter::cleanedText(report->reason);
    FUZZ_CHECK(cleaned.find_first_of(" \t\n-+[]:") == std::string::npos);
    return 0;
}
