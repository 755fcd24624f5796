#include "sign/detail/self_check.h"

#include <cstdint>
#include <vector>

#include "sign/detail/known_answers.h"

namespace firma::detail {
namespace {

bool lanes_agree(const FoldKernel& kernel, std::uint32_t from, const unsigned char* bytes, std::size_t size,
                 std::uint32_t expected) {
    std::vector<std::uint32_t> accumulators(static_cast<std::size_t>(kernel.lanes), from);
    const std::vector<const unsigned char*> inputs(accumulators.size(), bytes);
    kernel.fold_lanes(accumulators.data(), inputs.data(), size);
    for (const std::uint32_t accumulator : accumulators)
        if (accumulator != expected) return false;
    return true;
}

}  // namespace

bool kernel_gives_known_answers(const FoldKernel& kernel) {
    for (const KnownAnswer& k : known_answers()) {
        if (kernel.fold(0, k.bytes.data(), k.bytes.size()) != k.accumulator) return false;
        if (!lanes_agree(kernel, 0, k.bytes.data(), k.bytes.size(), k.accumulator)) return false;
    }
    for (const KnownStep& step : kNearTieSteps) {
        if (kernel.fold(step.from, &step.byte, 1) != step.accumulator) return false;
        if (!lanes_agree(kernel, step.from, &step.byte, 1, step.accumulator)) return false;
    }
    return true;
}

}  // namespace firma::detail
