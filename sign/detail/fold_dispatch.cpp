// Which chains and lanes this processor can run, from slowest to fastest: the
// one place that asks the processor. The kernels themselves never do, and each
// that needs more than the baseline is built for its instruction set alone.
#include <algorithm>
#include <system_error>
#include <vector>

#include "sign/detail/fold_batch.h"
#include "sign/detail/fold_chain.h"
#include "sign/detail/fold_product.h"
#include "sign/detail/self_check.h"
#include "sign/fold.h"
#include "sign/sign_error.h"

// CMake decides which kernels are built and says so here; the compiler must
// agree: the AVX2 table kernels on any x86 (FIRMA_X86_KERNELS), the batch
// kernels on x86-64 (FIRMA_BATCH_KERNELS), and the exact-product chain where
// there is a 128-bit integer product (FIRMA_EXACT_PRODUCT).
#if FIRMA_X86_KERNELS != (defined(__x86_64__) || defined(__i386__))
#error "the AVX2 kernels are built for a processor that is not x86, or left out on x86"
#endif
#if FIRMA_BATCH_KERNELS != defined(__x86_64__)
#error "the batch kernels are built for a processor that is not x86-64, or left out on x86-64"
#endif
#if FIRMA_EXACT_PRODUCT != defined(__SIZEOF_INT128__)
#error "the exact-product kernel is built where the compiler has no 128-bit integers, or left out where it has"
#endif

namespace firma {
namespace {

// Baseline instructions only (SSE2 on x86-64): runs on any processor.
std::uint32_t fold_chain_portable(std::uint32_t accumulator, const unsigned char* bytes, std::size_t size) {
    return detail::fold_chain(accumulator, bytes, size, detail::byte_steps());
}

void fold_lanes_portable(std::uint32_t* accumulators, const unsigned char* const* bytes, std::size_t size) {
    detail::fold_lanes<detail::f64x2, 2>(accumulators, bytes, size, detail::byte_steps());
}

// Speeds as measured, in one unit: a lane of the table kernels folds as fast as
// their chain, the exact-product chain three times as fast, and a lane of the
// batch kernels at a quarter of the exact-product chain.
constexpr int kTableSpeed = 4, kProductSpeed = 12, kBatchLaneSpeed = 3;

std::vector<FoldChain> detect_chains() {
    std::vector<FoldChain> chains{{"portable", fold_chain_portable, kTableSpeed}};
#if FIRMA_X86_KERNELS
    if (__builtin_cpu_supports("avx2")) chains.push_back({"avx2", detail::fold_chain_avx2, kTableSpeed});
#endif
#if FIRMA_EXACT_PRODUCT  // needs only a 64x64->128-bit multiply
    chains.push_back({"product", detail::fold_exact_product, kProductSpeed});
#endif
    return chains;
}

std::vector<FoldLanes> detect_lanes() {
    std::vector<FoldLanes> lanes{{"portable", 2, fold_lanes_portable, kTableSpeed}};
#if FIRMA_X86_KERNELS
    const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) lanes.push_back({"avx2", 4, detail::fold_lanes_avx2, kTableSpeed});
#endif
#if FIRMA_BATCH_KERNELS
    if (avx2 && __builtin_cpu_supports("fma"))
        lanes.push_back({"fma-avx2", detail::kBatchLanesAvx2, detail::fold_batch_avx2, kBatchLaneSpeed});
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw"))
        lanes.push_back({"avx512", detail::kBatchLanesAvx512, detail::fold_batch_avx512, kBatchLaneSpeed});
#endif
    return lanes;
}

// Those of `found` that pass the self-check.
template <class Kernel>
std::vector<Kernel> giving_known_answers(std::vector<Kernel> found) {
    std::erase_if(found, [](const Kernel& kernel) { return !detail::gives_known_answers(kernel); });
    return found;
}

template <class Kernel>
const Kernel& best_of(std::span<const Kernel> kernels) {
    if (kernels.empty()) throw std::system_error(make_error_code(SignError::wrong_arithmetic));
    return kernels.back();
}

}  // namespace

std::span<const FoldChain> available_chains() {
    static const std::vector<FoldChain> chains = giving_known_answers(detect_chains());
    return chains;
}

std::span<const FoldLanes> available_lanes() {
    static const std::vector<FoldLanes> lanes = giving_known_answers(detect_lanes());
    return lanes;
}

bool arithmetic_is_sound() {
    return !available_chains().empty() && !available_lanes().empty();
}

const FoldChain& best_chain() {
    return best_of(available_chains());
}

const FoldLanes& best_lanes() {
    return best_of(available_lanes());
}

int lanes_pay_off(const FoldChain& chain, const FoldLanes& lanes) {
    return std::max(2, chain.speed / lanes.lane_speed + 1);
}

}  // namespace firma
