// Which kernels this processor can run, from slowest to fastest: the one place
// that asks the processor. The kernels themselves never do.
#include <system_error>
#include <vector>

#include "sign/detail/fold_batch.h"
#include "sign/detail/fold_chain.h"
#include "sign/detail/fold_product.h"
#include "sign/detail/self_check.h"
#include "sign/fold.h"
#include "sign/sign_error.h"

// CMake decides whether the x86-64 batch kernels are built and says so here
// (FIRMA_X86_KERNELS); the compiler must agree.
#if FIRMA_X86_KERNELS && !defined(__x86_64__)
#error "the x86 kernels are built for a processor that is not x86-64"
#endif
#if !FIRMA_X86_KERNELS && defined(__x86_64__)
#error "an x86-64 build without its x86 kernels"
#endif
// Likewise for the exact-product chain (FIRMA_EXACT_PRODUCT), which needs a
// 128-bit integer product.
#if FIRMA_EXACT_PRODUCT != defined(__SIZEOF_INT128__)
#error "the exact-product kernel is built where the compiler has no 128-bit integers, or left out where it has"
#endif

namespace firma {
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

// From slowest to fastest. The exact-product chain needs only a 64x64->128-bit
// multiply; the batch kernels need FMA with AVX2, or AVX-512 with byte shuffles.
// Where the lanes pay off was measured: a lane of the batch kernels folds at a
// quarter of the exact-product chain's speed, one of the older lanes at a third.
std::vector<FoldKernel> detect_kernels() {
    std::vector<FoldKernel> kernels{{"portable", fold_portable, 2, fold_lanes_portable}};
#if defined(__x86_64__) || defined(__i386__)
    const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) kernels.push_back({"avx2", fold_avx2, 4, fold_lanes_avx2});
#endif
#if FIRMA_EXACT_PRODUCT
    const FoldKernel lanes = kernels.back();  // the older lanes, with the new chain
    kernels.push_back({"product", detail::fold_exact_product, lanes.lanes, lanes.fold_lanes, 4});
#endif
#if FIRMA_X86_KERNELS
    if (avx2 && __builtin_cpu_supports("fma"))
        kernels.push_back({"product+fma-avx2", detail::fold_exact_product, detail::kBatchLanesAvx2,
                           detail::fold_batch_avx2, 5});
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw"))
        kernels.push_back({"product+avx512", detail::fold_exact_product, detail::kBatchLanesAvx512,
                           detail::fold_batch_avx512, 5});
#endif
    return kernels;
}

}  // namespace

std::span<const FoldKernel> available_kernels() {
    static const std::vector<FoldKernel> kernels = [] {
        auto found = detect_kernels();
        std::erase_if(found, [](const FoldKernel& kernel) { return !detail::kernel_gives_known_answers(kernel); });
        return found;
    }();
    return kernels;
}

const FoldKernel& best_kernel() {
    const auto kernels = available_kernels();
    if (kernels.empty()) throw std::system_error(make_error_code(SignError::wrong_arithmetic));
    return kernels.back();
}

}  // namespace firma
