#pragma once

namespace util {

// random() is seeded from the monotonic clock when the program is loaded, before main. Linking
// anything of this library's random support keeps the seeding in the program; calling this is
// harmless and ensures the seed was planted.
void SeedRandomAtLoad();

// The seed planted at load. The game core seeds its own generator with it, so a run without
// --seed still differs from the last one.
unsigned LoadTimeSeed();

}  // namespace util
