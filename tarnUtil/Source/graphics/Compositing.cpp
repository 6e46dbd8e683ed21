// Straight-alpha compositing of 32-bit pixel rows, exact to the integer rule, four pixels at a
// time with SSE2 (one at a time where the target has none, as 32-bit x86 builds) and a table of
// reciprocal factors.
#include "graphics/Pixels.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tu::graphics {
namespace {

// The result alpha of source alpha sa over result alpha pa.
inline std::uint32_t ResultAlpha(std::uint32_t sa, std::uint32_t pa) {
    return ((256 - pa) * sa + 256 * pa) >> 8;
}

// For every (Sa, Pa) pair with Sa < Na, the factor m = ceil(Sa * 65536 / Na). For every
// difference x of 0 to 255, (x * m) >> 16 then equals x * Sa / Na rounded down: with
// x * Sa = q * Na + r, (x * m) / 65536 = q + (r + x * e / 65536) / Na, where the rounding
// excess e = m * Na - Sa * 65536 is below Na, so x * e <= 255 * 254 < 65536 keeps the sum
// below Na. Pairs with Sa = Na (the colour becomes the source's) or Na = 0 need no factor.
class FactorTable {
public:
    FactorTable() {
        for (std::uint32_t sa = 0; sa < 256; ++sa)
            for (std::uint32_t pa = 0; pa < 256; ++pa) {
                std::uint32_t na = ResultAlpha(sa, pa);
                m_factors[sa << 8 | pa] =
                    static_cast<std::uint16_t>(sa < na ? ((sa << 16) + na - 1) / na : 0);
            }
    }
    std::uint32_t operator()(std::uint32_t source, std::uint32_t result) const {
        return m_factors[(source >> 16 & 0xFF00) | result >> 24];
    }

private:
    std::uint16_t m_factors[256 * 256];
};

const FactorTable& Factors() {
    static const FactorTable table;
    return table;
}

std::uint32_t CompositePixel(std::uint32_t p, std::uint32_t s, const FactorTable& factors) {
    std::uint32_t sa = s >> 24, pa = p >> 24, na = ResultAlpha(sa, pa);
    if (na == 0)
        return 0;
    if (na == sa)
        return (s & 0xFFFFFF) | na << 24;
    std::uint32_t m = factors(s, p), out = na << 24;
    for (int shift = 0; shift < 24; shift += 8) {
        std::uint32_t pc = p >> shift & 0xFF, sc = s >> shift & 0xFF;
        std::uint32_t c = sc >= pc ? pc + ((sc - pc) * m >> 16) : pc - ((pc - sc) * m >> 16);
        out |= c << shift;
    }
    return out;
}

#if defined(__SSE2__)
// The four pixels' factors, each repeated over the four 16-bit lanes of its pixel: pixels 0
// and 1 in `low`, 2 and 3 in `high`.
void SpreadFactors(const std::uint32_t* result, const std::uint32_t* source,
                   const FactorTable& factors, __m128i& low, __m128i& high) {
    std::uint64_t packed = 0;
    for (int k = 3; k >= 0; --k)
        packed = packed << 16 | factors(source[k], result[k]);
    __m128i pairs = _mm_cvtsi64_si128(static_cast<long long>(packed));
    pairs = _mm_unpacklo_epi16(pairs, pairs);
    low = _mm_unpacklo_epi32(pairs, pairs);
    high = _mm_unpackhi_epi32(pairs, pairs);
}

// Each byte difference times its pixel's factor, >> 16, as bytes again.
__m128i ScaleDifferences(__m128i differences, __m128i factorsLow, __m128i factorsHigh) {
    const __m128i zero = _mm_setzero_si128();
    __m128i low = _mm_mulhi_epu16(_mm_unpacklo_epi8(differences, zero), factorsLow);
    __m128i high = _mm_mulhi_epu16(_mm_unpackhi_epi8(differences, zero), factorsHigh);
    return _mm_packus_epi16(low, high);
}

void CompositeFour(std::uint32_t* result, const std::uint32_t* source, const FactorTable& factors) {
    const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(result));
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source));
    const __m128i pa = _mm_srli_epi32(p, 24), sa = _mm_srli_epi32(s, 24);
    // (256 - pa) * sa fits 16 bits and the upper half of every lane is zero, so a 16-bit
    // multiply gives the 32-bit product; n itself is at most 65535.
    const __m128i n = _mm_add_epi32(_mm_mullo_epi16(_mm_sub_epi32(_mm_set1_epi32(256), pa), sa),
                                    _mm_slli_epi32(pa, 8));
    const __m128i na = _mm_srli_epi32(n, 8);
    __m128i factorsLow, factorsHigh;
    SpreadFactors(result, source, factors, factorsLow, factorsHigh);
    // Truncation toward zero: the rising and falling differences are scaled separately.
    __m128i blended = _mm_sub_epi8(
        _mm_add_epi8(p, ScaleDifferences(_mm_subs_epu8(s, p), factorsLow, factorsHigh)),
        ScaleDifferences(_mm_subs_epu8(p, s), factorsLow, factorsHigh));
    const __m128i takeSource = _mm_cmpeq_epi32(na, sa);
    blended = _mm_or_si128(_mm_and_si128(takeSource, s), _mm_andnot_si128(takeSource, blended));
    __m128i out =
        _mm_or_si128(_mm_and_si128(blended, _mm_set1_epi32(0xFFFFFF)), _mm_slli_epi32(na, 24));
    out = _mm_andnot_si128(_mm_cmpeq_epi32(na, _mm_setzero_si128()), out);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(result), out);
}
#endif

} // namespace

void CompositeRow(std::uint32_t* result, const std::uint32_t* source, std::size_t count) {
    const FactorTable& factors = Factors();
    std::size_t i = 0;
#if defined(__SSE2__)
    for (; i + 4 <= count; i += 4)
        CompositeFour(result + i, source + i, factors);
#endif
    for (; i < count; ++i)
        result[i] = CompositePixel(result[i], source[i], factors);
}

} // namespace tu::graphics
