// The two facts the fast kernels rest on, checked over every state where they
// could fail rather than on samples.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "sign/detail/exact_product.h"
#include "sign/detail/fold_batch.h"
#include "sign/detail/fold_chain.h"
#if FIRMA_EXACT_PRODUCT
#include "sign/detail/fold_product.h"
#endif
#include "reference.h"

namespace firma {
namespace {

using detail::kRound;
using testing::reference_rounded_sum;

// The kernels round the exact p + b once, as (p + (C + b)) - C, with either
// bias; the recurrence rounds p + b to binary64 first. While p + b stays in p's
// binade it is a multiple of p's unit in the last place there, hence exact, and
// the two agree. Otherwise p lies less than 256 below a power of two: every such
// state, with every byte.
TEST(Rounding, OneRoundingOfTheExactSumEqualsTheTwoRoundingsForEveryState) {
    std::uint64_t checked = 0;
    for (const double bias : {kRound, detail::kBatchBias}) {
    for (int exponent = 0; exponent <= 30; ++exponent) {
        const double power = std::ldexp(1.0, exponent);
        const double first = std::max(0.0, std::floor((power - 256) / kMultiplier) - 1);
        const double last = std::min(kModulus - 1.0, std::ceil(power / kMultiplier) + 1);
        for (double a = first; a <= last; ++a) {
            const double p = a * kMultiplier;
            for (unsigned b = 0; b < 256; ++b, ++checked) {
                const double once = (p + (bias + b)) - bias;
                const double twice = std::nearbyint(p + b);
                ASSERT_EQ(once, twice) << "a=" << a << " b=" << b << " bias " << bias;
            }
        }
    }
    }
    EXPECT_GT(checked, 800000u);
}

// The exact-product chain hands a step to the plain recurrence when a*K lies
// within 2^-21 of a half-integer; everywhere else the two roundings (2^-23 each
// at most) cannot change which integer is nearest, nor make a tie. Over all
// 2^28 states, that happens exactly for the 537 odd multiples of 250000, where
// a*K lies within 5e-8 of a half-integer (and the rounded product is often a
// tie): the fast path covers every other state.
#if FIRMA_EXACT_PRODUCT  // the kernel exists where the compiler has 128-bit integers
TEST(Rounding, OnlyTheNearTieStatesNeedThePlainStep) {
    std::uint64_t plain = 0;
    for (std::uint32_t a = 0; a < kModulus; ++a) {
        if (!detail::needs_plain_step(a)) continue;
        ++plain;
        ASSERT_EQ(a % 500000, 250000u) << a;
    }
    EXPECT_EQ(plain, 537u);
}
#endif

// The batch step's quotient: floor(fl(x * fl(1/M))) for x = C + r is off by less
// than 2^-27 from C/M + r/M, so it can only err for r within a few units of a
// multiple of M; every such r up to 4M, and a sample of the rest.
TEST(Rounding, BatchQuotientIsTheRemainderCountForEveryNearMultiple) {
    const auto expect_quotient = [](std::uint64_t r) {
        const double x = detail::kBatchBias + static_cast<double>(r);
        ASSERT_EQ(detail::batch_quotient(x), 1.5 * 16777216 + static_cast<double>(r / kModulus)) << r;
        ASSERT_EQ(x - detail::batch_quotient(x) * kModulus, static_cast<double>(r % kModulus)) << r;
    };
    for (std::uint64_t k = 0; k <= 4; ++k)
        for (std::uint64_t r = k * kModulus - std::min<std::uint64_t>(k * kModulus, 64); r <= k * kModulus + 64; ++r)
            expect_quotient(r);
    std::mt19937_64 generator(4);
    for (int i = 0; i < 1000000; ++i) expect_quotient(generator() % (4ull * kModulus));
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
