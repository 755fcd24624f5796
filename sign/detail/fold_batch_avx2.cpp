// Built with AVX2 and FMA enabled for this file only; called only where the
// processor has them.
#include <immintrin.h>

#include "sign/detail/fold_batch_lanes.h"

namespace firma::detail {
namespace {

struct Avx2 {
    using D = __m256d;
    using I = __m256i;
    static constexpr int kWidth = 4;

    static D splat(double value) { return _mm256_set1_pd(value); }
    static I splat_bits(double value) { return _mm256_castpd_si256(_mm256_set1_pd(value)); }
    static D load_accumulators(const std::uint32_t* values) {
        return _mm256_cvtepi32_pd(_mm_loadu_si128(reinterpret_cast<const __m128i*>(values)));
    }
    static I load_addresses(const unsigned char* const* pointers) {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pointers));
    }
    static I advance(I addresses, long long by) { return _mm256_add_epi64(addresses, _mm256_set1_epi64x(by)); }
    static I gather(I addresses) {
        return _mm256_i64gather_epi64(static_cast<const long long*>(nullptr), addresses, 1);
    }
    static I byte(I block, int j) {
        const long long low = 0x8080808080808000LL | j, high = 0x8080808080808000LL | (j + 8);
        return _mm256_shuffle_epi8(block, _mm256_set_epi64x(high, low, high, low));
    }
    static I add(I a, I b) { return _mm256_add_epi64(a, b); }
    static D as_double(I bits) { return _mm256_castsi256_pd(bits); }
    static D add(D a, D b) { return _mm256_add_pd(a, b); }
    static D mul(D a, D b) { return _mm256_mul_pd(a, b); }
    static D floor(D value) { return _mm256_round_pd(value, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC); }
    static D fnmadd(D q, D m, D x) { return _mm256_fnmadd_pd(q, m, x); }
    static void store(double* values, D vector) { _mm256_storeu_pd(values, vector); }
};

}  // namespace

void fold_batch_avx2(std::uint32_t* accumulators, const unsigned char* const* bytes, std::size_t size) {
    fold_batch_lanes<Avx2, kBatchLanesAvx2 / Avx2::kWidth>(accumulators, bytes, size);
}

}  // namespace firma::detail
