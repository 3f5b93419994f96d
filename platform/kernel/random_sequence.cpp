#include "platform/kernel/random_sequence.h"

namespace vesper::platform {

void RandomSequence::Seed(unsigned seed)
{
    // Seed 0 would leave every word zero.
    std::int32_t word = seed == 0 ? 1 : static_cast<std::int32_t>(seed);
    m_state[0] = static_cast<std::uint32_t>(word);
    for (int i = 1; i < kDegree; ++i) {
        // 16807 * word mod (2^31 - 1) without overflow (Schrage's method).
        const std::int32_t high = word / 127773;
        const std::int32_t low = word % 127773;
        word = 16807 * low - 2836 * high;
        if (word < 0)
            word += 2147483647;
        m_state[i] = static_cast<std::uint32_t>(word);
    }
    m_front = kSeparation;
    m_rear = 0;
    for (int i = 0; i < kWarmUp; ++i)
        Next();
}

int RandomSequence::Next()
{
    m_state[m_front] += m_state[m_rear];
    const int result = static_cast<int>(m_state[m_front] >> 1);
    m_front = (m_front + 1) % kDegree;
    m_rear = (m_rear + 1) % kDegree;
    return result;
}

}  // namespace vesper::platform
