#include "appbase/Random.h"

#include <cstdlib>

#include "util/SeedRandom.h"

namespace JTAppBase {

namespace {
constexpr double kUnit = 1.0 / 2147483648.0;  // 2^-31

// The C library's default generator keeps 128 bytes of state; the same size here gives the
// same sequence for the same seed.
struct Generator {
    random_data data{};
    char state[128]{};

    explicit Generator(unsigned seed) { reseed(seed); }
    void reseed(unsigned seed) {
        data = random_data{};
        initstate_r(seed, state, sizeof state, &data);
    }
    long next() {
        int32_t value = 0;
        random_r(&data, &value);
        return value;
    }
};

Generator& generator() {
    static Generator g(util::LoadTimeSeed());
    return g;
}
}  // namespace

Random::Source& Random::current() {
    static Source s;
    return s;
}

long Random::next() {
    return current() ? current()() : generator().next();
}

void Random::seed(unsigned seed) {
    generator().reseed(seed);
}

void Random::setSource(Source source) {
    current() = std::move(source);
}

int32_t Random::below(int32_t n) {
    return static_cast<int32_t>(n * (next() * kUnit));
}

int32_t Random::between(int32_t a, int32_t b) {
    return a + static_cast<int32_t>((b - a) * (next() * kUnit));
}

Random::Scoped::Scoped(Source source) : previous_(current()) {
    setSource(std::move(source));
}

Random::Scoped::~Scoped() {
    setSource(std::move(previous_));
}

}  // namespace JTAppBase
