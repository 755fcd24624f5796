// Internal to the fold kernels: the recurrence with a short dependency chain.
//
// Per byte b the recurrence is
//     p = fl(a*K);  t = fl(p + b);  r = round_half_even(t);  a = r mod M.
// Written that way its chain is multiply, add, round, convert, integer remainder,
// convert. Here it is multiply, add, subtract:
//   - x = fl(p + (C + b)) with C = 1.5*2^52. The doubles in [2^52, 2^53) are exactly
//     the integers, so this one addition rounds p + b to an integer, ties to even,
//     and leaves x = C + r. Rounding the exact p + b once equals rounding fl(p + b):
//     the two can only differ where p + b leaves p's binade, and the tests check
//     every state and byte for which that happens.
//   - r < 4M, so r mod M = r - kM with k in 0..3, and a' = x - (C + kM). For a fixed
//     byte r never decreases as a grows, so "r >= kM" is "a >= A_k[b]" for integer
//     thresholds computed once from the plain recurrence. k comes from a alone, while
//     the multiply runs, and the subtraction is the only step left after the add.
#pragma once

#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "sign/signature.h"

static_assert(FLT_EVAL_METHOD == 0, "signatures need binary64 arithmetic, never x87 extended precision");

namespace firma::detail {

// The functions below have internal linkage on purpose: this header is also
// built for AVX2 alone, and a shared out-of-line copy of that build must never
// run elsewhere.

using f64x2 = double __attribute__((vector_size(16)));
using f64x4 = double __attribute__((vector_size(32)));

inline constexpr double kRound = 6755399441055744.0;  // 1.5 * 2^52
inline constexpr double kM = kModulus;

// What one byte value contributes; aligned so an entry never straddles a cache line.
struct alignas(32) ByteStep {
    double biased;         // C + b, exact
    double threshold[3];   // A_k[b] for k = 1, 2, 3: the least a with r >= kM
};

// The 256 entries, computed on first use.
const ByteStep* byte_steps();

// r for one step, exactly as the recurrence is written: for building tables, and
// for the states where a fast kernel hands a step back.
static inline std::uint64_t plain_rounded_sum(std::uint64_t a, unsigned b) {
    const double p = static_cast<double>(a) * kMultiplier;
    const double t = p + b;
    return static_cast<std::uint64_t>(std::nearbyint(t));
}

// One step for every lane: `a` holds each lane's accumulator, the other vectors
// the table entries of each lane's byte.
template <class V>
[[gnu::always_inline]] static inline V next_accumulator(V a, V biased, V threshold1, V threshold2,
                                                 V threshold3) {
    const V x = a * kMultiplier + biased;
    const V low = (a >= threshold1) ? (kRound + kM) + V{} : kRound + V{};
    const V high = (a >= threshold3) ? (kRound + 3 * kM) + V{} : (kRound + 2 * kM) + V{};
    return x - ((a >= threshold2) ? high : low);
}

// One chain; both lanes carry it, the vector form only makes the selects
// branch-free on every processor.
[[gnu::always_inline]] static inline std::uint32_t fold_chain(std::uint32_t accumulator,
                                                       const unsigned char* bytes,
                                                       std::size_t size,
                                                       const ByteStep* steps) {
    f64x2 a = static_cast<double>(accumulator) + f64x2{};
    for (std::size_t i = 0; i < size; ++i) {
        const ByteStep& step = steps[bytes[i]];
        a = next_accumulator(a, step.biased + f64x2{}, step.threshold[0] + f64x2{},
                             step.threshold[1] + f64x2{}, step.threshold[2] + f64x2{});
    }
    return static_cast<std::uint32_t>(a[0]);
}

// Independent chains side by side, one per lane of V, `size` bytes from each:
// while one chain waits on its latency the others use the arithmetic units.
template <class V, int Lanes>
[[gnu::always_inline]] static inline void fold_lanes(std::uint32_t* accumulators,
                                              const unsigned char* const* bytes,
                                              std::size_t size, const ByteStep* steps) {
    V a;
    for (int lane = 0; lane < Lanes; ++lane) a[lane] = accumulators[lane];
    for (std::size_t i = 0; i < size; ++i) {
        V biased, threshold1, threshold2, threshold3;
        for (int lane = 0; lane < Lanes; ++lane) {
            const ByteStep& step = steps[bytes[lane][i]];
            biased[lane] = step.biased;
            threshold1[lane] = step.threshold[0];
            threshold2[lane] = step.threshold[1];
            threshold3[lane] = step.threshold[2];
        }
        a = next_accumulator(a, biased, threshold1, threshold2, threshold3);
    }
    for (int lane = 0; lane < Lanes; ++lane) accumulators[lane] = static_cast<std::uint32_t>(a[lane]);
}

// The same chain and lanes built for AVX2 (single-instruction blends, four
// lanes a register) without FMA, whose fused multiply-add would round once
// where the signature rounds twice. Only call them where the processor has AVX2.
std::uint32_t fold_chain_avx2(std::uint32_t accumulator, const unsigned char* bytes, std::size_t size);
void fold_lanes_avx2(std::uint32_t* accumulators, const unsigned char* const* bytes, std::size_t size);

}  // namespace firma::detail
