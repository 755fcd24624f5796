// The signatures every build must give, worked out once: the cases where the
// recurrence is easiest to get wrong (padding and case, the first remainder, a
// sum and a product that are ties). The start-up self-check and the tests
// both hold the kernels to them.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace firma::detail {

struct KnownAnswer {
    const char* what;
    std::vector<unsigned char> bytes;
    std::uint32_t accumulator;
};
const std::vector<KnownAnswer>& known_answers();

// One step from a state where a*K lies within 5e-8 of a half-integer (the
// rounded product is a tie there for some), with chosen last bytes.
struct KnownStep {
    std::uint32_t from;
    unsigned char byte;
    std::uint32_t accumulator;
};
inline constexpr std::array<KnownStep, 12> kNearTieSteps{{
    {250000, 0x00, 0x00BFBE6}, {250000, 0x01, 0x00BFBE6}, {250000, 0x80, 0x00BFC66}, {250000, 0xFF, 0x00BFCE4},
    {750000, 0x00, 0x023F3B0}, {750000, 0x01, 0x023F3B2}, {750000, 0x80, 0x023F430}, {750000, 0xFF, 0x023F4B0},
    {268250000, 0x00, 0x23ACCF1}, {268250000, 0x01, 0x23ACCF1}, {268250000, 0x80, 0x23ACD71},
    {268250000, 0xFF, 0x23ACDEF},
}};

}  // namespace firma::detail
