// The two facts the fast kernels rest on, checked over every state where they
// could fail rather than on samples.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "sign/fold_chain.h"
#include "reference.h"

namespace firma {
namespace {

using detail::kRound;
using testing::reference_rounded_sum;

// The kernels round the exact p + b once, as (p + (C + b)) - C; the recurrence
// rounds p + b to binary64 first. While p + b stays in p's binade it is a multiple
// of p's unit in the last place there, hence exact, and the two agree. Otherwise p
// lies less than 256 below a power of two: every such state, with every byte.
TEST(Rounding, OneRoundingOfTheExactSumEqualsTheTwoRoundingsForEveryState) {
    std::uint64_t checked = 0;
    for (int exponent = 0; exponent <= 30; ++exponent) {
        const double power = std::ldexp(1.0, exponent);
        const double first = std::max(0.0, std::floor((power - 256) / kMultiplier) - 1);
        const double last = std::min(kModulus - 1.0, std::ceil(power / kMultiplier) + 1);
        for (double a = first; a <= last; ++a) {
            const double p = a * kMultiplier;
            for (unsigned b = 0; b < 256; ++b, ++checked) {
                const double once = (p + (kRound + b)) - kRound;
                const double twice = std::nearbyint(p + b);
                ASSERT_EQ(once, twice) << "a=" << a << " b=" << b;
            }
        }
    }
    EXPECT_GT(checked, 400000u);
}

// r >= kM exactly when a reaches the byte's threshold A_k[b]: r never decreases as a
// grows, so checking both sides of every threshold covers every state.
TEST(Rounding, ThresholdsSplitTheStatesExactlyWhereTheRemainderStepsUp) {
    const detail::ByteStep* steps = detail::byte_steps();
    for (unsigned b = 0; b < 256; ++b) {
        EXPECT_EQ(steps[b].biased, kRound + b);
        for (unsigned k = 1; k <= 3; ++k) {
            const std::uint64_t bound = std::uint64_t{k} * kModulus;
            const double threshold = steps[b].threshold[k - 1];
            const auto a = static_cast<std::uint32_t>(threshold);
            ASSERT_EQ(threshold, a);
            if (a < kModulus) {
                EXPECT_GE(reference_rounded_sum(a, b), bound) << "b=" << b << " k=" << k;
            }
            if (a > 0) {
                EXPECT_LT(reference_rounded_sum(a - 1, b), bound) << "b=" << b << " k=" << k;
            }
        }
    }
}

}  // namespace
}  // namespace firma
