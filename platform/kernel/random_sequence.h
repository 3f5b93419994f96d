// The C library's pseudo-random sequence as the GNU C library computes it
// (its additive feedback generator of degree 31, seeded through a
// multiplicative congruential one). The sprites draw their pauses from
// std::rand; a C library whose rand differs (emscripten's) takes this one
// instead, so that a scene played from the same seed moves the same way
// wherever it plays.
#pragma once

#include "platform/internal.h"

#include <array>
#include <cstdint>

namespace vesper::platform {

class RandomSequence {
public:
    static constexpr int kLargest = 0x7FFFFFFF;  // RAND_MAX of that library

    explicit RandomSequence(unsigned seed = 1) { Seed(seed); }
    void Seed(unsigned seed);
    // The next value, from 0 to kLargest.
    int Next();

private:
    static constexpr int kDegree = 31;
    static constexpr int kSeparation = 3;
    static constexpr int kWarmUp = 10 * kDegree;

    std::array<std::uint32_t, kDegree> m_state{};
    int m_front = kSeparation;
    int m_rear = 0;
};

}  // namespace vesper::platform
