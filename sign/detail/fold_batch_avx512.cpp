// Built with AVX-512 (F and BW) enabled for this file only; called only where
// the processor has them.
#include <immintrin.h>

#include "sign/detail/fold_batch_lanes.h"

namespace firma::detail {
namespace {

struct Avx512 {
    using D = __m512d;
    using I = __m512i;
    static constexpr int kWidth = 8;

    static D splat(double value) { return _mm512_set1_pd(value); }
    static I splat_bits(double value) { return _mm512_castpd_si512(_mm512_set1_pd(value)); }
    static D load_accumulators(const std::uint32_t* values) {
        return _mm512_cvtepu32_pd(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(values)));
    }
    static I load_addresses(const unsigned char* const* pointers) { return _mm512_loadu_si512(pointers); }
    static I advance(I addresses, long long by) { return _mm512_add_epi64(addresses, _mm512_set1_epi64(by)); }
    static I gather(I addresses) { return _mm512_i64gather_epi64(addresses, nullptr, 1); }
    // Byte j of each 64-bit lane, zero-extended: one shuffle.
    static I byte(I block, int j) {
        const long long low = 0x8080808080808000LL | j, high = 0x8080808080808000LL | (j + 8);
        return _mm512_shuffle_epi8(block, _mm512_set_epi64(high, low, high, low, high, low, high, low));
    }
    static I add(I a, I b) { return _mm512_add_epi64(a, b); }
    static D as_double(I bits) { return _mm512_castsi512_pd(bits); }
    static D add(D a, D b) { return _mm512_add_pd(a, b); }
    static D mul(D a, D b) { return _mm512_mul_pd(a, b); }
    static D floor(D value) { return _mm512_roundscale_pd(value, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC); }
    // x - q*m, rounded once: exact here, the result being an integer below 2^28.
    static D fnmadd(D q, D m, D x) { return _mm512_fnmadd_pd(q, m, x); }
    static void store(double* values, D vector) { _mm512_storeu_pd(values, vector); }
};

}  // namespace

void fold_batch_avx512(std::uint32_t* accumulators, const unsigned char* const* bytes, std::size_t size) {
    fold_batch_lanes<Avx512, kBatchLanesAvx512 / Avx512::kWidth>(accumulators, bytes, size);
}

}  // namespace firma::detail
