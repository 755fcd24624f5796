// The signature: a 28-bit accumulator folded over every byte and shown as
// seven uppercase hexadecimal digits.
#pragma once

// Every product and sum of the recurrence is rounded on its own, as binary64
// defines it: reassociated or approximated arithmetic would sign wrongly.
#if defined(__FAST_MATH__)
#error "firma cannot be built with -ffast-math: its signatures need exact binary64 arithmetic"
#endif

#include <cstdint>
#include <string>

namespace firma {

// The multiplier is the double nearest 3.141526 (not pi): stored signatures
// depend on this exact bit pattern.
inline constexpr double kMultiplier = 3.141526;
inline constexpr std::uint32_t kModulus = 268435455;  // 2^28 - 1, not 2^28

// Seven uppercase hex digits, zero-padded ("0000555").
std::string format_signature(std::uint32_t accumulator);

}  // namespace firma
