#include "util/SeedRandom.h"

#include <cstdlib>
#include <ctime>

namespace util {

namespace {
bool seed() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    srandom(static_cast<unsigned>(ts.tv_sec * 1000000000ull + ts.tv_nsec));
    return true;
}

const bool seededAtLoad = seed();
}  // namespace

void SeedRandomAtLoad() {
    // The load-time seed already ran; this function exists so that users of the random
    // source reference this file and the linker keeps its initialiser.
    (void)seededAtLoad;
}

}  // namespace util
