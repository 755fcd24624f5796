// Internal to the fold kernels: the single chain on the exact product.
//
// The recurrence rounds twice, fl(a*K) and then fl(p + b), and those roundings
// move p + b by at most 2^-23 each. So whenever the exact a*K is farther than
// 2^-21 from a half-integer, round(fl(fl(a*K) + b)) is round(a*K + b) of the
// exact product, and no tie is possible. The exact product is known: the state
// is held as u = 4(a + 250000), and the high half of the 64x64-bit product
// u * (K * 2^62) is floor((a + 250000) * K) = floor(a*K + 1/2) + 785381, since
// 250000*K lies 4.5e-11 below 785381.5. The step is then that multiply and one
// add (the remainder is chosen from thresholds on a while the multiply runs, as
// in the other kernels). The low half of the same product is the fraction: when
// it says a*K is within 2^-21 of a half-integer, the plain recurrence takes the
// step instead. That happens for 537 states of the 2^28 (a = 250000 * odd), so
// the branch is almost never taken.
#pragma once

#include <cstddef>
#include <cstdint>

namespace firma::detail {

std::uint32_t fold_exact_product(std::uint32_t accumulator, const unsigned char* bytes, std::size_t size);

// The test the kernel makes before each fast step: whether a*K, for this state,
// is too close to a half-integer for the fast step to be sure.
bool needs_plain_step(std::uint32_t accumulator);

}  // namespace firma::detail
