// The pixel rules written out plainly, and random DIB sections, for the graphics tests.
#pragma once

#include "common/WindowsSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace gfxtest {

// One pixel of B over a result pixel: straight alpha, divisions truncated toward zero.
inline std::uint32_t ModelOver(std::uint32_t p, std::uint32_t s) {
    const int sa = int(s >> 24), pa = int(p >> 24), n = (256 - pa) * sa + 256 * pa;
    if (n < 256)
        return 0;
    const int na = n / 256;
    std::uint32_t out = std::uint32_t(na) << 24;
    for (int shift = 0; shift < 24; shift += 8) {
        const int pc = int(p >> shift & 0xFF), sc = int(s >> shift & 0xFF);
        out |= std::uint32_t(pc + (sc - pc) * sa / na) << shift;
    }
    return out;
}

// A bottom-up DIB section with its pixel memory.
struct Dib {
    tu::UniqueBitmap bitmap;
    std::uint8_t* bits = nullptr;
    int width = 0, height = 0, bitsPerPixel = 0;

    std::size_t Stride() const { return (std::size_t(width) * bitsPerPixel + 31) / 32 * 4; }
    std::uint8_t* Row(int row) const { return bits + row * Stride(); }
    std::uint32_t& At(int x, int row) const {
        return reinterpret_cast<std::uint32_t*>(Row(row))[x];
    }
    // A 24-bit pixel in 32-bit layout without alpha.
    std::uint32_t Rgb(int x, int row) const {
        const std::uint8_t* p = Row(row) + 3 * x;
        return std::uint32_t(p[2]) << 16 | p[1] << 8 | p[0];
    }
};

Dib MakeDib(int width, int height, int bitsPerPixel);
// Every byte random; 32-bit alphas are 0, 255 or between in equal shares.
Dib RandomDib(int width, int height, int bitsPerPixel, std::mt19937& random);
// The pixels of any bitmap as 32-bit rows, bottom line first (through GetDIBits).
std::vector<std::uint32_t> ReadPixels(HBITMAP bitmap, int width, int height);
// Equal pixel lists, or the first pixel that differs.
::testing::AssertionResult SamePixels(const std::vector<std::uint32_t>& expected,
                                      const std::vector<std::uint32_t>& actual);
// The pixels of a 32-bit DIB section, bottom line first; empty for anything else.
std::vector<std::uint32_t> DibPixels(HBITMAP bitmap, int& width, int& height);
// A generator with a fresh seed, printed so that a failure can be repeated.
std::mt19937 SeededRandom();

} // namespace gfxtest
