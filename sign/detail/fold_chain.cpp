#include "sign/detail/fold_chain.h"

#include <array>
#include <cmath>

namespace firma {
namespace detail {
namespace {

// The least a in [0, M] with plain_rounded_sum(a, b) >= target (M when there is none).
double least_reaching(std::uint64_t target, unsigned b) {
    const double estimate = (static_cast<double>(target) - b) / kMultiplier - 4;
    auto a = static_cast<std::uint64_t>(estimate > 0 ? estimate : 0);
    while (a < kModulus && plain_rounded_sum(a, b) < target) ++a;
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
}  // namespace firma
