// Kernels that fold bytes into the accumulator. Every kernel gives the same
// result as the plain recurrence on every input; they differ only in speed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace firma {

// Returns the accumulator after folding `size` bytes into `accumulator`.
using FoldFunction = std::uint32_t (*)(std::uint32_t accumulator, const unsigned char* bytes,
                                       std::size_t size);

// Folds `size` bytes from each of `lanes` independent inputs into the matching
// accumulators: several files signed side by side on one core.
using FoldLanesFunction = void (*)(std::uint32_t* accumulators, const unsigned char* const* bytes,
                                   std::size_t size);

struct FoldKernel {
    const char* name;
    FoldFunction fold;
    int lanes;  // how many inputs fold_lanes takes
    FoldLanesFunction fold_lanes;
    // From how many inputs on fold_lanes beats folding them one after another;
    // beyond the number of lanes, never.
    int lanes_pay_off = 2;
};

// The kernels this processor can run, the portable one first: those that give
// the known answers as this build compiled them. Empty when none does (a
// compiler that fused or reordered the arithmetic against the build's flags).
std::span<const FoldKernel> available_kernels();

// The fastest kernel this processor can run. Throws std::system_error with
// SignError::wrong_arithmetic when there is none.
const FoldKernel& best_kernel();

}  // namespace firma
