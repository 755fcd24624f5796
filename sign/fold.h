// Kernels that fold bytes into the accumulator. Every kernel gives the same
// result as the plain recurrence on every input; they differ only in speed.
// Two independent choices: the chain that signs one file, and the lanes that
// sign many files side by side on one core.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace firma {

// Returns the accumulator after folding `size` bytes into `accumulator`.
using FoldFunction = std::uint32_t (*)(std::uint32_t accumulator, const unsigned char* bytes,
                                       std::size_t size);

// Folds `size` bytes from each of `lanes` independent inputs into the matching
// accumulators.
using FoldLanesFunction = void (*)(std::uint32_t* accumulators, const unsigned char* const* bytes,
                                   std::size_t size);

// Speeds are relative bytes a second, measured, in one unit for chains and
// lanes alike, so that the two can be weighed against each other.
struct FoldChain {
    const char* name;
    FoldFunction fold;
    int speed;
};

struct FoldLanes {
    const char* name;
    int lanes;  // how many inputs fold takes
    FoldLanesFunction fold;
    int lane_speed;  // of one lane, while all are busy
};

// What this processor can run, the portable one first and the fastest last:
// those that give the known answers as this build compiled them. Empty when
// none does (a compiler that fused or reordered the arithmetic against the
// build's flags).
std::span<const FoldChain> available_chains();
std::span<const FoldLanes> available_lanes();

// Whether this build signs at all: some chain and some lanes give the known answers.
bool arithmetic_is_sound();

// The fastest of each. Throw std::system_error with SignError::wrong_arithmetic
// when there is none.
const FoldChain& best_chain();
const FoldLanes& best_lanes();

// From how many busy inputs `lanes` beats folding them one after another with
// `chain`: the lanes fold together no faster than their slowest, each at
// lane_speed. Never below 2; beyond the number of lanes, never.
int lanes_pay_off(const FoldChain& chain, const FoldLanes& lanes);

}  // namespace firma
