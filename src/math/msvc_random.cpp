// One linear congruential generator shared by all generators of the engine, as the C runtime keeps one.
#include "math/msvc_random.h"

namespace math {

namespace {

std::uint32_t randomState = 1;

}  // namespace

void srand(std::uint32_t seed) { randomState = seed; }

int rand() {
    randomState = randomState * 214013u + 2531011u;
    return static_cast<int>((randomState >> 16) & kRandMax);
}

}  // namespace math
