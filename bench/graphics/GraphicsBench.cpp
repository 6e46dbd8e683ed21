// Benchmarks of the graphics subsystem: gtlMergeBitmaps and its compositing rows against the
// platform's AlphaBlend of the same pixel count, gtlCalcAlphaBmp against a memcpy of its
// source's pixel bytes.
#include "tuGraphics.h"

#include "graphics/Pixels.h"

#include "BenchSupport.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Prints both throughputs (medians over the repetitions) and the spread of their ratio, the
// library's over the baseline's (above 1: faster).
void Report(const char* what, const bench::Comparison& result, const char* unit,
            const char* baselineName) {
    std::printf("%-24s %8.1f %s/s   %-28s %8.1f %s/s\n", what, result.ours, unit, baselineName,
                result.theirs, unit);
    bench::PrintRatio(result.ratio);
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
    const auto* pixelsA = static_cast<const std::uint32_t*>(BitsOf(a.get()));
    const auto* pixelsB = static_cast<const std::uint32_t*>(BitsOf(b.get()));
    std::vector<std::uint32_t> result(std::size_t(kSide) * kSide);
    const auto [rows, merge, mergeNew] = bench::Compare<3>([&] {
        const double platform =
            bench::BestSeconds(3, [&] { PlatformBlend(target.get(), b.get(), kSide, kSide); });
        // The same blend into a bitmap made for it: the merge also fills a new bitmap, and the
        // first touch of new memory is costly on some systems (under Wine here, most of the time).
        const double platformNew = bench::BestSeconds(3, [&] {
            tu::UniqueBitmap fresh(gtlCreateDIBSection(kSide, kSide, 32, 1, nullptr));
            PlatformBlend(fresh.get(), b.get(), kSide, kSide);
        });
        const double merged = bench::BestSeconds(3, [&] {
            tu::UniqueBitmap bitmap(gtlMergeBitmaps(a.get(), b.get(), 0, 0, 0, 0));
            if (!bitmap)
                std::printf("gtlMergeBitmaps failed\n");
        });
        // The compositing rows alone, over a fresh copy of A's pixels (the copy untimed).
        std::memcpy(result.data(), pixelsA, result.size() * 4);
        const double composited = bench::BestSeconds(1, [&] {
            for (int row = 0; row < kSide; ++row)
                tu::graphics::CompositeRow(result.data() + row * kSide, pixelsB + row * kSide,
                                           kSide);
        });
        return std::array{bench::Pair{pixels / composited, pixels / platform},
                          bench::Pair{pixels / merged, pixels / platform},
                          bench::Pair{pixels / merged, pixels / platformNew}};
    });
    std::printf("2048 x 2048 32-bit with per-pixel alpha:\n");
    Report("compositing rows", rows, "Mpx", "AlphaBlend");
    Report("gtlMergeBitmaps", merge, "Mpx", "AlphaBlend");
    Report("gtlMergeBitmaps", mergeNew, "Mpx", "AlphaBlend into a new bitmap");
}

void BenchCalcAlpha() {
    constexpr int kWidth = 4096, kHeight = 2048;
    tu::UniqueBitmap source(ScrambledDib(kWidth, kHeight, 24, 4));
    const void* pixels = BitsOf(source.get());
    const std::size_t bytes = tu::graphics::DibStride(kWidth, 24) * kHeight;
    const double mebibytes = double(bytes) / (1 << 20);
    std::vector<std::uint8_t> copy(bytes);
    const auto [calc, calcNew] = bench::Compare<2>([&] {
        const double baseline =
            bench::BestSeconds(3, [&] { std::memcpy(copy.data(), pixels, bytes); });
        const double baselineNew = bench::BestSeconds(3, [&] {
            void* fresh = ::VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
            std::memcpy(fresh, pixels, bytes);
            ::VirtualFree(fresh, 0, MEM_RELEASE);
        });
        const double library = bench::BestSeconds(3, [&] {
            tu::UniqueBitmap result(gtlCalcAlphaBmp(source.get()));
            if (!result)
                std::printf("gtlCalcAlphaBmp failed\n");
        });
        return std::array{bench::Pair{mebibytes / library, mebibytes / baseline},
                          bench::Pair{mebibytes / library, mebibytes / baselineNew}};
    });
    std::printf("4096 x 2048 24-bit (%zu MiB of pixels):\n", bytes >> 20);
    Report("gtlCalcAlphaBmp", calc, "MiB", "memcpy of the pixels");
    Report("gtlCalcAlphaBmp", calcNew, "MiB", "memcpy into new memory");
}

} // namespace

int wmain() {
    BenchMerge();
    BenchCalcAlpha();
    return 0;
}
