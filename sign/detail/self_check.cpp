#include "sign/detail/self_check.h"

#include <array>
#include <cstdint>
#include <vector>

namespace firma::detail {
namespace {

struct Known {
    std::vector<unsigned char> bytes;
    std::uint32_t accumulator;
};

std::vector<unsigned char> ascending() {
    std::vector<unsigned char> bytes(256);
    for (int i = 0; i < 256; ++i) bytes[i] = static_cast<unsigned char>(i);
    return bytes;
}

// One step from a state where a*K lies within 5e-8 of a half-integer (the
// rounded product is a tie there for some), with chosen last bytes.
struct KnownStep {
    std::uint32_t from;
    unsigned char byte;
    std::uint32_t accumulator;
};
constexpr std::array<KnownStep, 12> kNearTies{{
    {250000, 0x00, 0x00BFBE6}, {250000, 0x01, 0x00BFBE6}, {250000, 0x80, 0x00BFC66}, {250000, 0xFF, 0x00BFCE4},
    {750000, 0x00, 0x023F3B0}, {750000, 0x01, 0x023F3B2}, {750000, 0x80, 0x023F430}, {750000, 0xFF, 0x023F4B0},
    {268250000, 0x00, 0x23ACCF1}, {268250000, 0x01, 0x23ACCF1}, {268250000, 0x80, 0x23ACD71},
    {268250000, 0xFF, 0x23ACDEF},
}};

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
    static const std::vector<Known> known = {
        {{}, 0x0000000},
        {{0xFF}, 0x00000FF},
        {{'a', 'b', 'c'}, 0x0000555},
        {ascending(), 0x7122C6E},
        {{0xF8, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00}, 0x023F3B0},  // a sum that is a tie
        {{0x52, 0x01, 0x02, 0x03, 0x02, 0x01, 0x01, 0x01, 0x00}, 0x00BFBE6},  // a product that is a tie
    };
    for (const Known& k : known) {
        if (kernel.fold(0, k.bytes.data(), k.bytes.size()) != k.accumulator) return false;
        if (!lanes_agree(kernel, 0, k.bytes.data(), k.bytes.size(), k.accumulator)) return false;
    }
    for (const KnownStep& step : kNearTies) {
        if (kernel.fold(step.from, &step.byte, 1) != step.accumulator) return false;
        if (!lanes_agree(kernel, step.from, &step.byte, 1, step.accumulator)) return false;
    }
    return true;
}

}  // namespace firma::detail
