#include "sign/fold.h"

#include <array>
#include <cmath>
#include <vector>

#include "sign/fold_chain.h"

namespace firma {
namespace detail {
namespace {

// r for one step, exactly as the recurrence is written; used only to build the table.
std::uint64_t rounded_sum(std::uint64_t a, unsigned b) {
    const double p = static_cast<double>(a) * kMultiplier;
    const double t = p + b;
    return static_cast<std::uint64_t>(std::nearbyint(t));
}

// The least a in [0, M] with rounded_sum(a, b) >= target (M when there is none).
double least_reaching(std::uint64_t target, unsigned b) {
    const double estimate = (static_cast<double>(target) - b) / kMultiplier - 4;
    auto a = static_cast<std::uint64_t>(estimate > 0 ? estimate : 0);
    while (a < kModulus && rounded_sum(a, b) < target) ++a;
    return static_cast<double>(a);
}

}  // namespace

const ByteStep* byte_steps() {
    static const std::array<ByteStep, 256> steps = [] {
        std::array<ByteStep, 256> table{};
        for (unsigned b = 0; b < 256; ++b) {
            table[b].biased = kRound + b;
            for (unsigned k = 1; k <= 3; ++k)
                table[b].threshold[k - 1] = least_reaching(std::uint64_t{k} * kModulus, b);
        }
        return table;
    }();
    return steps.data();
}

}  // namespace detail

namespace {

// Baseline instructions only (SSE2 on x86-64): runs on any processor.
std::uint32_t fold_portable(std::uint32_t accumulator, const unsigned char* bytes,
                            std::size_t size) {
    return detail::fold_chain(accumulator, bytes, size, detail::byte_steps());
}

void fold_lanes_portable(std::uint32_t* accumulators, const unsigned char* const* bytes,
                         std::size_t size) {
    detail::fold_lanes<detail::f64x2, 2>(accumulators, bytes, size, detail::byte_steps());
}

#if defined(__x86_64__) || defined(__i386__)
// The same code with single-instruction blends and four lanes a register. FMA is
// deliberately not enabled: a fused multiply-add would round once where the
// signature rounds twice.
[[gnu::target("avx2")]] std::uint32_t fold_avx2(std::uint32_t accumulator,
                                                const unsigned char* bytes, std::size_t size) {
    return detail::fold_chain(accumulator, bytes, size, detail::byte_steps());
}

[[gnu::target("avx2")]] void fold_lanes_avx2(std::uint32_t* accumulators,
                                             const unsigned char* const* bytes, std::size_t size) {
    detail::fold_lanes<detail::f64x4, 4>(accumulators, bytes, size, detail::byte_steps());
}
#endif

std::vector<FoldKernel> detect_kernels() {
    std::vector<FoldKernel> kernels{{"portable", fold_portable, 2, fold_lanes_portable}};
#if defined(__x86_64__) || defined(__i386__)
    if (__builtin_cpu_supports("avx2")) kernels.push_back({"avx2", fold_avx2, 4, fold_lanes_avx2});
#endif
    return kernels;
}

}  // namespace

std::span<const FoldKernel> available_kernels() {
    static const std::vector<FoldKernel> kernels = detect_kernels();
    return kernels;
}

const FoldKernel& best_kernel() {
    return available_kernels().back();
}

}  // namespace firma
