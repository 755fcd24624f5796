#include "sign/detail/fold_product.h"

#include <array>

#include "sign/detail/exact_product.h"
#include "sign/detail/fold_chain.h"

namespace firma::detail {
namespace {

using u64 = std::uint64_t;
__extension__ typedef unsigned __int128 u128;

constexpr u64 kOffset = 250000;
constexpr u64 kScaledMultiplier = kProductMultiplier << (64 - kProductShift - 2);  // for u = 4(a + offset)
constexpr u64 kOffsetFloor = static_cast<u64>((u128{kOffset} * kProductMultiplier) >> kProductShift);
constexpr u64 kUnsure = u64{1} << 43;  // 2^-21, in the units of the low half (2^-64)

static_assert(kOffsetFloor == 785381);

constexpr u64 state_of(std::uint32_t accumulator) {
    return 4 * (accumulator + kOffset);
}

constexpr std::uint32_t accumulator_of(u64 state) {
    return static_cast<std::uint32_t>(state / 4 - kOffset);
}

// For each byte: the states where the remainder steps up, and what to add to
// 4 * floor((a + offset) * K) for each of the four remainders.
struct alignas(64) ProductStep {
    u64 threshold[3];
    u64 addend[4];
};

const ProductStep* product_steps() {
    static const std::array<ProductStep, 256> steps = [] {
        std::array<ProductStep, 256> table{};
        const ByteStep* plain = byte_steps();
        for (unsigned b = 0; b < 256; ++b) {
            for (int k = 0; k < 3; ++k) table[b].threshold[k] = state_of(static_cast<std::uint32_t>(plain[b].threshold[k]));
            for (u64 k = 0; k < 4; ++k) table[b].addend[k] = 4 * (b + kOffset - kOffsetFloor - k * kModulus);
        }
        return table;
    }();
    return steps.data();
}

// `if_reached` when value >= bound, else `otherwise`. Without a branch: the
// outcome is random for random bytes, and a mispredicted branch costs more
// than the whole step.
[[gnu::always_inline]] inline u64 pick(u64 value, const u64& bound, u64 if_reached, u64 otherwise) {
#if defined(__x86_64__)
    asm("cmp %[bound], %[value]\n\tcmovae %[reached], %[result]"
        : [result] "+r"(otherwise)
        : [value] "r"(value), [bound] "m"(bound), [reached] "r"(if_reached)
        : "cc");
    return otherwise;
#else
    return value >= bound ? if_reached : otherwise;
#endif
}

[[gnu::noinline]] u64 plain_step(u64 state, unsigned byte) {
    return state_of(static_cast<std::uint32_t>(plain_rounded_sum(accumulator_of(state), byte) % kModulus));
}

// Whether a*K lies too close to a half-integer for the fast step to be sure:
// the low half of the product, the fraction, within kUnsure of 1/2. The one
// test the kernel makes, and what needs_plain_step() reports.
[[gnu::always_inline]] inline bool near_a_tie(u64 state) {
    const u64 fraction = state * kScaledMultiplier;
    return fraction + kUnsure < 2 * kUnsure;
}

[[gnu::always_inline]] inline u64 next_state(u64 state, unsigned byte, const ProductStep* steps) {
    const ProductStep& step = steps[byte];
    const u64 whole = static_cast<u64>((u128{state} * kScaledMultiplier) >> 64);
    const u64 low = pick(state, step.threshold[0], step.addend[1], step.addend[0]);
    const u64 high = pick(state, step.threshold[2], step.addend[3], step.addend[2]);
    const u64 addend = pick(state, step.threshold[1], high, low);
    if (__builtin_expect(near_a_tie(state), 0)) return plain_step(state, byte);
    return 4 * whole + addend;
}

}  // namespace

bool needs_plain_step(std::uint32_t accumulator) {
    return near_a_tie(state_of(accumulator));
}

std::uint32_t fold_exact_product(std::uint32_t accumulator, const unsigned char* bytes, std::size_t size) {
    const ProductStep* steps = product_steps();
    u64 state = state_of(accumulator);
    for (std::size_t i = 0; i < size; ++i) state = next_state(state, bytes[i], steps);
    return accumulator_of(state);
}

}  // namespace firma::detail
