// In the browser the C library's rand and srand are this sequence, so that a
// scene plays there as it does in the Linux player from the same seed.
#include <cstdlib>

#include "platform/kernel/random_sequence.h"

namespace {

vesper::platform::RandomSequence& Sequence()
{
    static vesper::platform::RandomSequence sequence;
    return sequence;
}

}  // namespace

static_assert(RAND_MAX == vesper::platform::RandomSequence::kLargest, "rand's range is the sequence's");

extern "C" void srand(unsigned seed)
{
    Sequence().Seed(seed);
}

extern "C" int rand()
{
    return Sequence().Next();
}
