#include "appbase/Random.h"

#include <cstdlib>

#include "util/SeedRandom.h"

namespace JTAppBase {

namespace {
constexpr double kUnit = 1.0 / 2147483648.0;  // 2^-31
}  // namespace

Random::Source& Random::current() {
    static Source s;
    return s;
}

long Random::next() {
    util::SeedRandomAtLoad();  // does nothing, but keeps the load-time seeding linked in
    return current() ? current()() : ::random();
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
