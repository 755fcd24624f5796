// Internal to the fold kernels: many files at once, for throughput rather than
// latency. Each lane keeps the recurrence's own roundings:
//     x = fl(fl(a*K) + (C + b)),  C = 1.5 * 2^24 * M
// C is even and in [2^52, 2^53), where doubles are the integers, so this rounds
// p + b to an integer, ties to even, exactly as the recurrence does (see
// fold_chain.h), and x = C + r. Then, with R = fl(1/M),
//     q = floor(fl(x * R)) = 1.5 * 2^24 + floor(r / M)   for every r < 4M
// (the product is off by less than 2^-27; the tests check the few r within that
// of a multiple of M) and a' = x - q*M, exact, as both are integers below 2^53.
// Five instructions a lane and byte, no tables and no special states; many
// files' lanes side by side keep the arithmetic units busy.
#pragma once

#include <cstddef>
#include <cstdint>

#include "sign/signature.h"

namespace firma::detail {

inline constexpr double kBatchBias = 1.5 * 16777216.0 * kModulus;  // C
inline constexpr double kInverseModulus = 1.0 / kModulus;          // R, rounded once

// Internal linkage on purpose: this header is also built for AVX-512 alone, and
// a shared out-of-line copy of that build must never run elsewhere.
//
// The quotient the batch step computes for x = C + r.
static inline double batch_quotient(double x) {
    return __builtin_floor(x * kInverseModulus);
}

// One lane, one byte: what the vector kernels do, written out.
static inline double batch_step(double a, unsigned byte) {
    const double x = a * kMultiplier + (kBatchBias + byte);
    return x - batch_quotient(x) * kModulus;
}

// How many files each folds at once, and the kernels themselves (AVX2 with FMA,
// and AVX-512 with byte shuffles). Only call them where the processor has those.
inline constexpr int kBatchLanesAvx2 = 16;
inline constexpr int kBatchLanesAvx512 = 32;
void fold_batch_avx2(std::uint32_t* accumulators, const unsigned char* const* bytes, std::size_t size);
void fold_batch_avx512(std::uint32_t* accumulators, const unsigned char* const* bytes, std::size_t size);

}  // namespace firma::detail
