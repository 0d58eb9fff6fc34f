#pragma once

#include <cstdint>
#include <functional>

namespace JTAppBase {

// The one random source of the game core: the C library's random() (seeded at load), or a
// scripted sequence in tests. Score salts and the road share it, in tick order, so a recorded
// sequence replays a run exactly.
class Random {
  public:
    using Source = std::function<long()>;

    // Next value in [0, 2^31).
    static long next();
    // Installs a source; an empty one restores random().
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
