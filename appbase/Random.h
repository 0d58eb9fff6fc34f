#pragma once

#include <cstdint>
#include <functional>

namespace JTAppBase {

// The one random source of the game core: a generator of its own (seeded at load, or by
// seed()), or a scripted sequence in tests. Score salts and the road share it, in tick order,
// so a seed or a recorded sequence replays a run exactly.
//
// The generator gives exactly the sequence of srandom(seed) and random(), but keeps its state
// to itself: libraries in the same process call rand(), which shares random()'s state (the
// sound server's client does while the device opens), and must not shift the road. Main thread
// only, like the rest of the game core.
class Random {
  public:
    using Source = std::function<long()>;

    // Next value in [0, 2^31).
    static long next();
    // Restarts the generator at a seed (as srandom(seed) would).
    static void seed(unsigned seed);
    // Installs a source; an empty one restores the generator.
    static void setSource(Source source);

    // The whole part of n * (r * 2^-31) in double precision: [0, n).
    static int32_t below(int32_t n);
    // a + the whole part of (b - a) * (r * 2^-31): [a, b).
    static int32_t between(int32_t a, int32_t b);

    // Installs a source for the lifetime of the scope.
    class Scoped {
      public:
        explicit Scoped(Source source);
        ~Scoped();
        Scoped(const Scoped&) = delete;
        Scoped& operator=(const Scoped&) = delete;

      private:
        Source previous_;
    };

  private:
    static Source& current();
};

}  // namespace JTAppBase
