// The hex steps behind strMem2Hex and strHex2Mem: runs of 32 and 16 bytes through vector
// instructions, the rest through the digit tables, at a vector level the caller chooses.
#include "text/HexSteps.h"

#include "common/HexDigits.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <immintrin.h>
#define TU_HEX_VECTORS 1
#endif

namespace {

// The value of a digit for strHex2Mem: any character that is no hex digit counts as 0.
unsigned LenientDigit(wchar_t c) {
    int value = tu::text::DigitValue(c);
    return value < 0 ? 0u : static_cast<unsigned>(value);
}

#if TU_HEX_VECTORS

// Sixteen nibbles (one per byte lane) as upper-case ASCII digits.
__m128i NibblesToAscii(__m128i nibbles) {
    const __m128i letters =
        _mm_and_si128(_mm_cmpgt_epi8(nibbles, _mm_set1_epi8(9)), _mm_set1_epi8('A' - '0' - 10));
    return _mm_add_epi8(_mm_add_epi8(nibbles, _mm_set1_epi8('0')), letters);
}

// Writes 16 bytes as 32 UTF-16 digits.
void Encode16(const unsigned char* in, wchar_t* out) {
    const __m128i mask = _mm_set1_epi8(0x0F);
    const __m128i zero = _mm_setzero_si128();
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    __m128i high = NibblesToAscii(_mm_and_si128(_mm_srli_epi16(bytes, 4), mask));
    __m128i low = NibblesToAscii(_mm_and_si128(bytes, mask));
    // Digits in reading order as bytes, then widened to code units.
    __m128i first = _mm_unpacklo_epi8(high, low);
    __m128i second = _mm_unpackhi_epi8(high, low);
    auto* dst = reinterpret_cast<__m128i*>(out);
    _mm_storeu_si128(dst + 0, _mm_unpacklo_epi8(first, zero));
    _mm_storeu_si128(dst + 1, _mm_unpackhi_epi8(first, zero));
    _mm_storeu_si128(dst + 2, _mm_unpacklo_epi8(second, zero));
    _mm_storeu_si128(dst + 3, _mm_unpackhi_epi8(second, zero));
}

// Sixteen ASCII characters (one per byte lane) as digit values; anything else gives 0.
__m128i AsciiToNibbles(__m128i chars) {
    // Unsigned range tests: x <= limit exactly when min(x, limit) == x.
    const __m128i digit = _mm_sub_epi8(chars, _mm_set1_epi8('0'));
    const __m128i isDigit = _mm_cmpeq_epi8(_mm_min_epu8(digit, _mm_set1_epi8(9)), digit);
    const __m128i letter =
        _mm_sub_epi8(_mm_or_si128(chars, _mm_set1_epi8(0x20)), _mm_set1_epi8('a'));
    const __m128i isLetter = _mm_cmpeq_epi8(_mm_min_epu8(letter, _mm_set1_epi8(5)), letter);
    return _mm_or_si128(_mm_and_si128(isDigit, digit),
                        _mm_and_si128(isLetter, _mm_add_epi8(letter, _mm_set1_epi8(10))));
}

// Sixteen code units narrowed to bytes: ASCII stays, 256 to 0x7FFF become 0xFF (no digit),
// and the terminator and 0x8000 and above become 0.
__m128i Narrow16(const wchar_t* in) {
    auto* src = reinterpret_cast<const __m128i*>(in);
    return _mm_packus_epi16(_mm_loadu_si128(src), _mm_loadu_si128(src + 1));
}

// The bytes of 16 digit values in reading order, first digit of each byte in the low half of
// its 16-bit lane.
__m128i CombinePairs(__m128i nibbles) {
    return _mm_or_si128(_mm_slli_epi16(_mm_and_si128(nibbles, _mm_set1_epi16(0x0F)), 4),
                        _mm_srli_epi16(nibbles, 8));
}

// Reads 32 code units into 16 bytes; false (nothing written) if any of them narrows to 0: the
// terminator, or a code unit of 0x8000 and above that the scalar path then reads.
bool Decode32(const wchar_t* in, unsigned char* out) {
    const __m128i first = Narrow16(in), second = Narrow16(in + 16);
    const __m128i zero = _mm_setzero_si128();
    if (_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(first, zero), _mm_cmpeq_epi8(second, zero))))
        return false;
    __m128i bytes =
        _mm_packus_epi16(CombinePairs(AsciiToNibbles(first)), CombinePairs(AsciiToNibbles(second)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
    return true;
}

// The text's end is unknown, so a read of `chars` code units is made only where it stays inside
// the page of its first byte: that page holds a character not yet known to end the text, so it
// is mapped.
bool ReadStaysInPage(const wchar_t* in, uintptr_t chars) {
    constexpr uintptr_t kPage = 4096;
    return (reinterpret_cast<uintptr_t>(in) & (kPage - 1)) <= kPage - chars * sizeof(wchar_t);
}

// The 32-byte steps, compiled for processors with AVX2 and used only where it is present. Whole
// runs of them sit in one function each, as they cannot be inlined into callers compiled
// without AVX2.
#define TU_AVX2 __attribute__((target("avx2")))

TU_AVX2 __m256i AsciiToNibbles(__m256i chars) {
    const __m256i digit = _mm256_sub_epi8(chars, _mm256_set1_epi8('0'));
    const __m256i isDigit = _mm256_cmpeq_epi8(_mm256_min_epu8(digit, _mm256_set1_epi8(9)), digit);
    const __m256i letter =
        _mm256_sub_epi8(_mm256_or_si256(chars, _mm256_set1_epi8(0x20)), _mm256_set1_epi8('a'));
    const __m256i isLetter =
        _mm256_cmpeq_epi8(_mm256_min_epu8(letter, _mm256_set1_epi8(5)), letter);
    return _mm256_or_si256(
        _mm256_and_si256(isDigit, digit),
        _mm256_and_si256(isLetter, _mm256_add_epi8(letter, _mm256_set1_epi8(10))));
}

// Reads 64 code units into 32 bytes, like Decode32.
TU_AVX2 bool Decode64(const wchar_t* in, unsigned char* out) {
    auto* src = reinterpret_cast<const __m256i*>(in);
    // Narrowing works within 128-bit lanes, so the bytes come out in a fixed shuffled order
    // that the last step undoes.
    const __m256i first = _mm256_packus_epi16(_mm256_loadu_si256(src), _mm256_loadu_si256(src + 1));
    const __m256i second =
        _mm256_packus_epi16(_mm256_loadu_si256(src + 2), _mm256_loadu_si256(src + 3));
    const __m256i zero = _mm256_setzero_si256();
    if (_mm256_movemask_epi8(
            _mm256_or_si256(_mm256_cmpeq_epi8(first, zero), _mm256_cmpeq_epi8(second, zero))))
        return false;
    // first digit * 16 + second digit, per 16-bit lane
    const __m256i weights = _mm256_set1_epi16(0x0110);
    const __m256i bytes =
        _mm256_packus_epi16(_mm256_maddubs_epi16(AsciiToNibbles(first), weights),
                            _mm256_maddubs_epi16(AsciiToNibbles(second), weights));
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_permutevar8x32_epi32(bytes, order));
    return true;
}

TU_AVX2 __m256i NibblesToAscii(__m256i nibbles) {
    const __m256i letters = _mm256_and_si256(_mm256_cmpgt_epi8(nibbles, _mm256_set1_epi8(9)),
                                             _mm256_set1_epi8('A' - '0' - 10));
    return _mm256_add_epi8(_mm256_add_epi8(nibbles, _mm256_set1_epi8('0')), letters);
}

// Writes 32 bytes as 64 UTF-16 digits.
TU_AVX2 void Encode32(const unsigned char* in, wchar_t* out) {
    auto* dst = reinterpret_cast<__m256i*>(out);
    for (int half = 0; half < 2; ++half) {
        // One byte per 16-bit lane; its high nibble goes to the lane's low half, which comes
        // first in memory, and its low nibble to the high half.
        const __m256i bytes =
            _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 16 * half)));
        const __m256i nibbles =
            _mm256_or_si256(_mm256_srli_epi16(bytes, 4),
                            _mm256_slli_epi16(_mm256_and_si256(bytes, _mm256_set1_epi16(0x0F)), 8));
        const __m256i digits = NibblesToAscii(nibbles);
        _mm256_storeu_si256(dst + 2 * half, _mm256_cvtepu8_epi16(_mm256_castsi256_si128(digits)));
        _mm256_storeu_si256(dst + 2 * half + 1,
                            _mm256_cvtepu8_epi16(_mm256_extracti128_si256(digits, 1)));
    }
}

// Encodes 32 bytes at a time while at least 32 are left; returns the bytes encoded.
TU_AVX2 size_t EncodeWideRun(const unsigned char* in, size_t size, wchar_t* out) {
    size_t done = 0;
    for (; size - done >= 32; done += 32)
        Encode32(in + done, out + 2 * done);
    return done;
}

// Decodes 64 code units at a time while that is possible: room for 32 bytes, a read inside
// the page, no terminator. Returns the bytes written; `text` moves on past what was read.
TU_AVX2 unsigned DecodeWideRun(const wchar_t*& text, unsigned char* out, unsigned room) {
    unsigned written = 0;
    while (room - written >= 32 && ReadStaysInPage(text, 64) && Decode64(text, out + written)) {
        text += 64;
        written += 32;
    }
    return written;
}

#undef TU_AVX2

#endif

} // namespace

namespace tu::text {

HexVectors HostHexVectors() {
#if TU_HEX_VECTORS
    static const HexVectors host = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") ? HexVectors::Avx2 : HexVectors::Sse2;
    }();
    return host;
#else
    return HexVectors::None;
#endif
}

void EncodeHex(const unsigned char* in, size_t size, wchar_t* out, HexVectors vectors) {
    size_t done = 0;
#if TU_HEX_VECTORS
    if (vectors == HexVectors::Avx2)
        done = EncodeWideRun(in, size, out);
    if (vectors != HexVectors::None)
        for (; size - done >= 16; done += 16)
            Encode16(in + done, out + 2 * done);
#else
    (void)vectors;
#endif
    PutDigitPairs(in + done, size - done, kUpperPairs, out + 2 * done);
}

unsigned DecodeHex(const wchar_t* text, unsigned char* out, unsigned size, HexVectors vectors) {
    unsigned written = 0;
#if TU_HEX_VECTORS
    const bool avx2 = vectors == HexVectors::Avx2 && size >= 32;
    const bool sse2 = vectors != HexVectors::None;
#else
    (void)vectors;
#endif
    while (written < size) {
#if TU_HEX_VECTORS
        if (avx2) {
            unsigned run = DecodeWideRun(text, out + written, size - written);
            written += run;
            if (run)
                continue;
        }
        if (sse2 && size - written >= 16 && ReadStaysInPage(text, 32) &&
            Decode32(text, out + written)) {
            text += 32;
            written += 16;
            continue;
        }
#endif
        if (!text[0] || !text[1])
            break;
        out[written++] =
            static_cast<unsigned char>(LenientDigit(text[0]) << 4 | LenientDigit(text[1]));
        text += 2;
    }
    return written;
}

} // namespace tu::text
