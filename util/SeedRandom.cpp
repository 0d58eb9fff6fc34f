#include "util/SeedRandom.h"

#include <cstdlib>
#include <ctime>

namespace util {

namespace {
unsigned seed() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    auto value = static_cast<unsigned>(ts.tv_sec * 1000000000ull + ts.tv_nsec);
    srandom(value);
    return value;
}

const unsigned seededAtLoad = seed();
}  // namespace

void SeedRandomAtLoad() {
    // The load-time seed already ran; this function exists so that users of the random
    // source reference this file and the linker keeps its initialiser.
    (void)seededAtLoad;
}

unsigned LoadTimeSeed() {
    return seededAtLoad;
}

}  // namespace util
