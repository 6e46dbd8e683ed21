// The drop shadow of a 1920 x 1080 window redrawn as after a resize that changes both strips'
// lengths, against the platform's UpdateLayeredWindow calls alone for two strips of the same
// sizes whose bitmaps are made ahead. The redraw is driven by the transparency message (levels
// 0 and 1 in turn), which rebuilds both strips like a resize does, so that the owner's own
// resize does not drown the figures.
#include "BenchSupport.h"

#include "tuGraphics.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdio>

namespace {

const int kUpdates = 200;
const int kRepetitions = 7;
const int kWidth = 6; // the shadow width when the settings name none

HWND MakeOwner() {
    return ::CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 0, 0, 1920, 1080,
                             nullptr, nullptr, nullptr, nullptr);
}

// A layered popup owned like a shadow strip, with its picture made ahead.
struct BareStrip {
    HWND window;
    HDC picture;
    POINT place;
    SIZE size;
};

BareStrip MakeBareStrip(HWND owner, POINT place, SIZE size) {
    BareStrip strip{::CreateWindowExW(WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOOLWINDOW,
                                      L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 0, 0, owner,
                                      nullptr, nullptr, nullptr),
                    ::CreateCompatibleDC(nullptr), place, size};
    void* bits = nullptr;
    HBITMAP picture = gtlCreateDIBSection(size.cx, size.cy, 32, 1, &bits);
    std::fill_n(static_cast<DWORD*>(bits), size.cx * size.cy, 0x40000000u);
    ::SelectObject(strip.picture, picture);
    return strip;
}

void UpdateBare(BareStrip& strip) {
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    POINT origin{0, 0};
    ::UpdateLayeredWindow(strip.window, nullptr, &strip.place, &strip.size, strip.picture, &origin,
                          0, &blend, ULW_ALPHA);
}

} // namespace

int wmain() {
    HWND plain = MakeOwner();
    BareStrip right = MakeBareStrip(plain, {1920, kWidth}, {kWidth, 1080});
    BareStrip bottom = MakeBareStrip(plain, {kWidth, 1080}, {1920 - kWidth, kWidth});
    HWND shadowed = MakeOwner();
    gtlCreateShadow(shadowed);

    // The two take turns update by update, so that the machine's load falls on both alike; each
    // repetition gives microseconds per update of the shadow (ours) and of the bare calls.
    auto [update] = bench::Compare<1>(
        [&] {
            double bareTime = 0, shadowTime = 0;
            for (int i = 0; i < kUpdates; ++i) {
                double start = bench::Now();
                UpdateBare(right);
                UpdateBare(bottom);
                double middle = bench::Now();
                ::SendMessageW(shadowed, WM_TRANSPARENCYCHANGED, i & 1, 0);
                bareTime += middle - start;
                shadowTime += bench::Now() - middle;
            }
            return std::array{bench::Pair{shadowTime * 1e6 / kUpdates, bareTime * 1e6 / kUpdates}};
        },
        kRepetitions);
    std::printf("UpdateLayeredWindow x2, bitmaps made ahead: %8.1f us\n", update.theirs);
    std::printf("shadow update, both strips rebuilt:         %8.1f us\n", update.ours);
    bench::PrintRatio(update.ratio);
    return 0;
}
