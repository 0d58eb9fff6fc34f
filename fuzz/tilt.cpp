// Tilt scripts: the sample files given with --tilt, and the short descriptions beside them.

#include <cmath>

#include "FuzzSupport.h"
#include "platform/device/TiltScript.h"

namespace {

void play(const platform::TiltScript& script) {
    for (long delivery : {0L, 1L, 2L, 7L, 1000L, 1L << 40}) {
        for (double elapsed : {0.0, 0.01, 1.5, 60.0, 1e9}) {
            if (auto a = script.sample(delivery, elapsed)) {
                FUZZ_CHECK(std::isfinite(a->x) && std::isfinite(a->y) && std::isfinite(a->z));
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(fuzz::bytes(data, size));
    std::string error;
    if (auto script = platform::TiltScript::fromSamples(text, "fuzz", &error)) {
        play(*script);
    } else {
        FUZZ_CHECK(!error.empty());
    }
    // The short forms; anything else names a file, which this target leaves alone.
    if (text.size() < 64 && (text.rfind("const:", 0) == 0 || text.rfind("sine", 0) == 0)) {
        if (auto script = platform::TiltScript::parse(text, &error)) play(*script);
    }
    return 0;
}
