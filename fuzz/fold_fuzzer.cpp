// Differential fuzzing of the signature: every chain and every lanes kernel this
// processor runs, every lane on its own input, at any alignment, against the plain
// recurrence; and streaming in random pieces against one shot. Any difference
// traps.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "reference.h"
#include "sign/accumulator.h"
#include "sign/fold.h"

namespace {

void check(bool same) {
    if (!same) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    const unsigned offset = data[0] % 16;  // alignment of the bytes in memory
    const std::size_t first_cut = data[1], second_cut = data[2];
    const std::uint32_t start = data[3] % 4 == 0 ? 0 : (data[3] * 2654435761u) % firma::kModulus;
    const std::vector<unsigned char> bytes(data + 4, data + size);
    std::vector<unsigned char> shifted(offset + bytes.size());
    std::copy(bytes.begin(), bytes.end(), shifted.begin() + offset);
    const unsigned char* at = shifted.data() + offset;

    const std::uint32_t expected = firma::testing::reference_fold(start, bytes);
    for (const auto& chain : firma::available_chains()) {
        check(chain.fold(start, at, bytes.size()) == expected);
        // From zero, streamed in three pieces, against one shot.
        firma::Accumulator whole(chain), pieces(chain);
        whole.update({at, bytes.size()});
        const std::size_t cut1 = std::min(first_cut, bytes.size());
        const std::size_t cut2 = std::min(cut1 + second_cut, bytes.size());
        pieces.update({at, cut1});
        pieces.update({at + cut1, cut2 - cut1});
        pieces.update({at + cut2, bytes.size() - cut2});
        check(pieces.value() == whole.value());
        check(whole.value() == firma::testing::reference_fold(0, bytes));
    }
    // Lanes on four different inputs: lane i starts i % 4 bytes later, from 0
    // when i is odd.
    const std::size_t lane_size = bytes.size() - std::min<std::size_t>(bytes.size(), 3);
    std::uint32_t expected_in[4];
    for (std::size_t variant = 0; variant < 4; ++variant)
        expected_in[variant] = firma::testing::reference_fold(
            variant % 2 == 0 ? start : 0, std::span<const unsigned char>(at + std::min(variant, bytes.size()), lane_size));
    for (const auto& kernel : firma::available_lanes()) {
        const auto lanes = static_cast<std::size_t>(kernel.lanes);
        std::vector<std::uint32_t> accumulators(lanes);
        std::vector<const unsigned char*> inputs(lanes);
        for (std::size_t lane = 0; lane < lanes; ++lane) {
            accumulators[lane] = lane % 2 == 0 ? start : 0;
            inputs[lane] = at + std::min(lane % 4, bytes.size());
        }
        kernel.fold(accumulators.data(), inputs.data(), lane_size);
        for (std::size_t lane = 0; lane < lanes; ++lane) check(accumulators[lane] == expected_in[lane % 4]);
    }
    return 0;
}
