// Built with AVX2 enabled for this file only; called only where the processor has it.
#include "sign/detail/fold_chain.h"

namespace firma::detail {

std::uint32_t fold_chain_avx2(std::uint32_t accumulator, const unsigned char* bytes, std::size_t size) {
    return fold_chain(accumulator, bytes, size, byte_steps());
}

void fold_lanes_avx2(std::uint32_t* accumulators, const unsigned char* const* bytes, std::size_t size) {
    fold_lanes<f64x4, 4>(accumulators, bytes, size, byte_steps());
}

}  // namespace firma::detail
