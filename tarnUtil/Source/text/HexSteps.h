// The hex steps at a chosen vector level: the exported hex functions use the processor's
// widest, and tests force the narrower ones whatever the processor offers.
#pragma once

#include <cstddef>

namespace tu::text {

// Vector instructions the steps may use: none (digit tables only), SSE2 (16 bytes a step), or
// SSE2 and AVX2 (32 bytes a step).
enum class HexVectors { None, Sse2, Avx2 };

// The widest level this processor runs; found on the first call, then remembered.
HexVectors HostHexVectors();

// Writes `size` bytes at `in` as 2 * size upper-case digits at `out` (no terminator).
void EncodeHex(const unsigned char* in, size_t size, wchar_t* out, HexVectors vectors);

// Reads digit pairs from a non-empty terminated text into at most `size` bytes at `out`, as
// strHex2Mem does; returns the bytes written.
unsigned DecodeHex(const wchar_t* text, unsigned char* out, unsigned size, HexVectors vectors);

} // namespace tu::text
