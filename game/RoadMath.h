#pragma once

#include <cstdint>

#include "appbase/Random.h"

// The road's arithmetic and random draws. The integer rules were written for 32-bit registers,
// so products and sums wrap at 32 bits here too instead of overflowing (which C++ leaves
// undefined); for every value a real run produces nothing wraps and the results are the plain
// ones.

namespace JTApp {

inline int32_t wrapAdd(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

inline int32_t wrapMul(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

// C division toward zero, with the one overflowing quotient wrapped as the hardware would.
inline int32_t wrapDiv(int32_t a, int32_t b) {
    if (b == -1) return static_cast<int32_t>(0u - static_cast<uint32_t>(a));
    return a / b;
}

// a * b / (b + c), the easing of the road width; 0 when b + c is 0.
inline int32_t ratioScale(int32_t a, int32_t b, int32_t c) {
    int32_t d = wrapAdd(b, c);
    return d == 0 ? 0 : wrapDiv(wrapMul(a, b), d);
}

// The same easing in single precision, for the falling game-over picture.
inline float ratioScaleF(float a, float b, float c) {
    return a * b / (b + c);
}

// The road's random draws, from the game core's one random source: [0, n) and [a, b).
inline int32_t randomBelow(int32_t n) {
    return JTAppBase::Random::below(n);
}

inline int32_t randomBetween(int32_t a, int32_t b) {
    return JTAppBase::Random::between(a, b);
}

}  // namespace JTApp
