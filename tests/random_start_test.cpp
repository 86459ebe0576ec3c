// random_start_test.cpp - the effects' numbers are the never-seeded runtime's; a program of its own, so
// that nothing has drawn before.
#include <gtest/gtest.h>

#include <cstdlib>

#include "test.h"

TEST(RandomStart, TheEffectsDrawTheNeverSeededRuntimeSequence)
{
    const int draws = 3 * SCREEN_WIDTH * SCREEN_HEIGHT;
    std::vector<int> ours(draws);
    for (int &value : ours)
        value = NextRandom();
    srand(1); // how the runtime starts when never seeded
    for (int i = 0; i < draws; ++i)
        ASSERT_EQ(ours[i], rand()) << "draw " << i;
}
