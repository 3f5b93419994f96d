#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/kernel/random_sequence.h"

namespace {

using vesper::platform::RandomSequence;

// The sequence the browser's build plays with must be the one the Linux
// player's C library gives: the same seed, the same sprites' pauses. (In the
// browser's build rand is this sequence, and the comparison checks the
// override is in place.)
TEST(RandomSequence, FollowsTheCLibrarysRandForTheSameSeed)
{
    for (unsigned seed : {0u, 1u, 7u, 12345u, 0x80000000u, 0xFFFFFFFFu}) {
        RandomSequence sequence(seed);
        std::srand(seed);
        for (int i = 0; i < 2000; ++i)
            ASSERT_EQ(sequence.Next(), std::rand()) << "seed " << seed << ", value " << i;
    }
}

TEST(RandomSequence, SeedingAgainRestartsTheSequenceAndZeroSeedsLikeOne)
{
    RandomSequence sequence(42);
    const int first = sequence.Next();
    const int second = sequence.Next();
    EXPECT_NE(first, second);
    sequence.Seed(42);
    EXPECT_EQ(sequence.Next(), first);
    EXPECT_EQ(sequence.Next(), second);

    RandomSequence zero(0);
    RandomSequence one(1);
    for (int i = 0; i < 100; ++i) {
        const int value = zero.Next();
        EXPECT_EQ(value, one.Next());
        EXPECT_GE(value, 0);
        EXPECT_LE(value, RandomSequence::kLargest);
    }
}

}  // namespace
