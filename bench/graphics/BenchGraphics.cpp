// Benchmarks of the graphics subsystem: gtlMergeBitmaps and its compositing rows against the
// platform's AlphaBlend of the same pixel count, gtlCalcAlphaBmp against a memcpy of its
// source's pixel bytes.
#include "tuGraphics.h"

#include "graphics/Pixels.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

namespace {

// Seconds of the fastest of `runs` calls of `work`.
double BestSeconds(int runs, const std::function<void()>& work) {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        LARGE_INTEGER start, end;
        ::QueryPerformanceCounter(&start);
        work();
        ::QueryPerformanceCounter(&end);
        best = std::min(best, double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart));
    }
    return best;
}

// Prints both throughputs and the baseline's time over the library's (above 1: faster).
void PrintRatio(const char* what, double units, const char* unit, double library,
                const char* baselineName, double baseline) {
    std::printf("%-24s %8.1f %s/s   %-26s %8.1f %s/s   ratio %.2f\n", what, units / library, unit,
                baselineName, units / baseline, unit, baseline / library);
}

// A DIB section filled with scrambled bytes; in 32 bits, alpha varies from pixel to pixel.
HBITMAP ScrambledDib(int width, int height, int bitsPerPixel, std::uint32_t seed) {
    void* bits = nullptr;
    HBITMAP bitmap = gtlCreateDIBSection(width, height, WORD(bitsPerPixel), 1, &bits);
    const std::size_t bytes = tu::graphics::DibStride(width, bitsPerPixel) * height;
    auto* byte = static_cast<std::uint8_t*>(bits);
    for (std::size_t i = 0; bitmap && i < bytes; ++i)
        byte[i] = static_cast<std::uint8_t>((i + seed) * 2654435761u >> 13);
    return bitmap;
}

// The pixel memory of a DIB section.
void* BitsOf(HBITMAP bitmap) {
    DIBSECTION dib = {};
    ::GetObjectW(bitmap, sizeof dib, &dib);
    return dib.dsBm.bmBits;
}

// The platform's per-pixel AlphaBlend of the whole source over the whole destination.
void PlatformBlend(HBITMAP destination, HBITMAP source, int width, int height) {
    tu::MemoryDC to, from;
    tu::SelectedObject toSelection(to.get(), destination), fromSelection(from.get(), source);
    const BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    if (!::AlphaBlend(to.get(), 0, 0, width, height, from.get(), 0, 0, width, height, blend))
        std::printf("AlphaBlend failed\n");
    ::GdiFlush();
}

void BenchMerge() {
    constexpr int kSide = 2048;
    const double pixels = double(kSide) * kSide / 1e6;
    tu::UniqueBitmap a(ScrambledDib(kSide, kSide, 32, 1)), b(ScrambledDib(kSide, kSide, 32, 2));
    tu::UniqueBitmap target(ScrambledDib(kSide, kSide, 32, 3));
    double platform = BestSeconds(5, [&] { PlatformBlend(target.get(), b.get(), kSide, kSide); });
    // The same blend into a bitmap made for it: the merge also fills a new bitmap, and the
    // first touch of new memory is costly on some systems (under Wine here, most of the time).
    double platformNew = BestSeconds(5, [&] {
        tu::UniqueBitmap fresh(gtlCreateDIBSection(kSide, kSide, 32, 1, nullptr));
        PlatformBlend(fresh.get(), b.get(), kSide, kSide);
    });
    double merge = BestSeconds(5, [&] {
        tu::UniqueBitmap merged(gtlMergeBitmaps(a.get(), b.get(), 0, 0, 0, 0));
        if (!merged)
            std::printf("gtlMergeBitmaps failed\n");
    });

    // The compositing rows alone, over a fresh copy of A's pixels each run (the copy untimed).
    const auto* pixelsA = static_cast<const std::uint32_t*>(BitsOf(a.get()));
    const auto* pixelsB = static_cast<const std::uint32_t*>(BitsOf(b.get()));
    std::vector<std::uint32_t> result(std::size_t(kSide) * kSide);
    double rows = 1e30;
    for (int run = 0; run < 5; ++run) {
        std::memcpy(result.data(), pixelsA, result.size() * 4);
        rows = std::min(rows, BestSeconds(1, [&] {
                            for (int row = 0; row < kSide; ++row)
                                tu::graphics::CompositeRow(result.data() + row * kSide,
                                                           pixelsB + row * kSide, kSide);
                        }));
    }
    std::printf("2048 x 2048 32-bit with per-pixel alpha, fastest elapsed time:\n");
    PrintRatio("compositing rows", pixels, "Mpx", rows, "AlphaBlend", platform);
    PrintRatio("gtlMergeBitmaps", pixels, "Mpx", merge, "AlphaBlend", platform);
    PrintRatio("gtlMergeBitmaps", pixels, "Mpx", merge, "AlphaBlend into a new bitmap",
               platformNew);
}

void BenchCalcAlpha() {
    constexpr int kWidth = 4096, kHeight = 2048;
    tu::UniqueBitmap source(ScrambledDib(kWidth, kHeight, 24, 4));
    const void* pixels = BitsOf(source.get());
    const std::size_t bytes = tu::graphics::DibStride(kWidth, 24) * kHeight;
    std::vector<std::uint8_t> copy(bytes);
    double baseline = BestSeconds(5, [&] { std::memcpy(copy.data(), pixels, bytes); });
    double baselineNew = BestSeconds(5, [&] {
        void* fresh = ::VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        std::memcpy(fresh, pixels, bytes);
        ::VirtualFree(fresh, 0, MEM_RELEASE);
    });
    double library = BestSeconds(5, [&] {
        tu::UniqueBitmap result(gtlCalcAlphaBmp(source.get()));
        if (!result)
            std::printf("gtlCalcAlphaBmp failed\n");
    });
    std::printf("4096 x 2048 24-bit (%zu MiB of pixels), fastest elapsed time:\n", bytes >> 20);
    const double mebibytes = double(bytes) / (1 << 20);
    PrintRatio("gtlCalcAlphaBmp", mebibytes, "MiB", library, "memcpy of the pixels", baseline);
    PrintRatio("gtlCalcAlphaBmp", mebibytes, "MiB", library, "memcpy into new memory", baselineNew);
}

} // namespace

int wmain() {
    BenchMerge();
    BenchCalcAlpha();
    return 0;
}
