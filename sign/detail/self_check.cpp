#include "sign/detail/self_check.h"

#include <cstdint>
#include <vector>

#include "sign/detail/known_answers.h"

namespace firma::detail {
namespace {

// Whether `agrees(from, bytes, size, expected)` holds for every known answer.
template <class Agrees>
bool all_known_answers(Agrees agrees) {
    for (const KnownAnswer& k : known_answers())
        if (!agrees(0, k.bytes.data(), k.bytes.size(), k.accumulator)) return false;
    for (const KnownStep& step : kNearTieSteps)
        if (!agrees(step.from, &step.byte, 1, step.accumulator)) return false;
    return true;
}

}  // namespace

bool gives_known_answers(const FoldChain& chain) {
    return all_known_answers(
        [&](std::uint32_t from, const unsigned char* bytes, std::size_t size, std::uint32_t expected) {
            return chain.fold(from, bytes, size) == expected;
        });
}

bool gives_known_answers(const FoldLanes& lanes) {
    return all_known_answers(
        [&](std::uint32_t from, const unsigned char* bytes, std::size_t size, std::uint32_t expected) {
            std::vector<std::uint32_t> accumulators(static_cast<std::size_t>(lanes.lanes), from);
            const std::vector<const unsigned char*> inputs(accumulators.size(), bytes);
            lanes.fold(accumulators.data(), inputs.data(), size);
            for (const std::uint32_t accumulator : accumulators)
                if (accumulator != expected) return false;
            return true;
        });
}

}  // namespace firma::detail
