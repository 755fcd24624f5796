// Internal to the fold kernels: the multiplier as an integer, so that a*K can be
// known exactly. K, the double nearest 3.141526, is kProductMultiplier * 2^-50
// with kProductMultiplier a 52-bit odd integer; a < 2^28, so a*K needs 80 bits.
#pragma once

#include <cstdint>

#include "sign/signature.h"

namespace firma::detail {

inline constexpr std::uint64_t kProductMultiplier = 0xC90EC31162281;
inline constexpr int kProductShift = 50;

static_assert(static_cast<double>(kProductMultiplier) / (std::uint64_t{1} << kProductShift) == kMultiplier,
              "K must be exactly kProductMultiplier * 2^-50");

}  // namespace firma::detail
