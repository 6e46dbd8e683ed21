// Hexadecimal digit tables shared by the friendly form, the hex form and the MD5 text: digits by
// value, digit pairs by byte (two UTF-16 code units in one 32-bit word) and values by digit.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tu::text {

inline constexpr char kUpperDigits[] = "0123456789ABCDEF";
inline constexpr char kLowerDigits[] = "0123456789abcdef";

// For every byte, its two digits as UTF-16 code units packed so that one little-endian 32-bit
// store writes them in reading order.
using DigitPairTable = std::array<uint32_t, 256>;

constexpr DigitPairTable MakeDigitPairs(const char (&digits)[17]) {
    DigitPairTable pairs{};
    for (unsigned byte = 0; byte < 256; ++byte)
        pairs[byte] = static_cast<uint32_t>(digits[byte >> 4]) |
                      static_cast<uint32_t>(digits[byte & 15]) << 16;
    return pairs;
}

inline constexpr DigitPairTable kUpperPairs = MakeDigitPairs(kUpperDigits);
inline constexpr DigitPairTable kLowerPairs = MakeDigitPairs(kLowerDigits);

// Writes `count` bytes at `in` as 2 * count digits at `out` (no terminator).
inline void PutDigitPairs(const unsigned char* in, size_t count, const DigitPairTable& pairs,
                          wchar_t* out) {
    for (size_t i = 0; i < count; ++i)
        std::memcpy(out + 2 * i, &pairs[in[i]], sizeof(uint32_t));
}

// Value of each ASCII code unit as a hex digit of either case, -1 for every other one.
constexpr std::array<int8_t, 128> MakeDigitValues() {
    std::array<int8_t, 128> values{};
    for (int c = 0; c < 128; ++c)
        values[c] = -1;
    for (int v = 0; v < 16; ++v) {
        values[static_cast<unsigned char>(kUpperDigits[v])] = static_cast<int8_t>(v);
        values[static_cast<unsigned char>(kLowerDigits[v])] = static_cast<int8_t>(v);
    }
    return values;
}

inline constexpr std::array<int8_t, 128> kDigitValues = MakeDigitValues();

// The value of `c` as a hex digit, or -1 if it is none.
inline int DigitValue(wchar_t c) {
    return static_cast<unsigned>(c) < 128 ? kDigitValues[c] : -1;
}

} // namespace tu::text
