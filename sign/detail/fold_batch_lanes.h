// Internal to the batch kernels: the loop they share, over a set of vector
// operations `Ops` (see fold_batch_avx2.cpp and fold_batch_avx512.cpp). Included
// only by files built for one instruction set, so it uses nothing from the
// standard library: no inline function built for AVX-512 may leak into the rest
// of the program.
#pragma once

#include <cstddef>
#include <cstdint>

#include "sign/detail/fold_batch.h"

namespace firma::detail {

// Folds `size` bytes of Ops::kWidth * Vectors files. Eight bytes of each file are
// loaded at once (one gather a vector); byte j of each lane is then moved into
// place for the j-th step. The vectors' chains are independent: while one waits
// on its latency the others run.
template <class Ops, int Vectors>
[[gnu::always_inline]] inline void fold_batch_lanes(std::uint32_t* accumulators, const unsigned char* const* bytes,
                                                    std::size_t size) {
    using D = typename Ops::D;
    using I = typename Ops::I;
    constexpr int kWidth = Ops::kWidth;
    const D multiplier = Ops::splat(kMultiplier), inverse = Ops::splat(kInverseModulus), modulus = Ops::splat(kModulus);
    const I bias = Ops::splat_bits(kBatchBias);
    D a[Vectors];
    I address[Vectors];
    for (int v = 0; v < Vectors; ++v) {
        a[v] = Ops::load_accumulators(accumulators + v * kWidth);
        address[v] = Ops::load_addresses(bytes + v * kWidth);
    }
    std::size_t done = 0;
    for (; done + 8 <= size; done += 8) {
        I block[Vectors];
        for (int v = 0; v < Vectors; ++v) {
            block[v] = Ops::gather(address[v]);
            address[v] = Ops::advance(address[v], 8);
        }
        for (int j = 0; j < 8; ++j) {
            for (int v = 0; v < Vectors; ++v) {
                const D biased = Ops::as_double(Ops::add(Ops::byte(block[v], j), bias));
                const D x = Ops::add(Ops::mul(a[v], multiplier), biased);
                a[v] = Ops::fnmadd(Ops::floor(Ops::mul(x, inverse)), modulus, x);
            }
        }
    }
    // The last few bytes, lane by lane, with the same operations.
    double lanes[kWidth * Vectors];
    for (int v = 0; v < Vectors; ++v) Ops::store(lanes + v * kWidth, a[v]);
    for (int lane = 0; lane < kWidth * Vectors; ++lane) {
        for (std::size_t i = done; i < size; ++i) lanes[lane] = batch_step(lanes[lane], bytes[lane][i]);
        accumulators[lane] = static_cast<std::uint32_t>(lanes[lane]);
    }
}

}  // namespace firma::detail
