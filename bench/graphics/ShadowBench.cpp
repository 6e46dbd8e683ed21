// The drop shadow of a 1920 x 1080 window redrawn as after a resize that changes both strips'
// lengths, against the platform's UpdateLayeredWindow calls alone for two strips of the same
// sizes whose bitmaps are made ahead. The redraw is driven by the transparency message (levels
// 0 and 1 in turn), which rebuilds both strips like a resize does, so that the owner's own
// resize does not drown the figures.
#include "tuGraphics.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const int kUpdates = 200;
const int kRounds = 7;
const int kWidth = 6; // the shadow width when the settings name none

double Now() {
    LARGE_INTEGER counter, frequency;
    ::QueryPerformanceCounter(&counter);
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / frequency.QuadPart;
}

double Median(std::vector<double> values) {
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

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

    // The two take turns update by update, so that the machine's load falls on both alike;
    // the median round is reported.
    std::vector<double> bare, shadow, ratio;
    for (int round = 0; round < kRounds; ++round) {
        double bareTime = 0, shadowTime = 0;
        for (int i = 0; i < kUpdates; ++i) {
            double start = Now();
            UpdateBare(right);
            UpdateBare(bottom);
            double middle = Now();
            ::SendMessageW(shadowed, WM_TRANSPARENCYCHANGED, i & 1, 0);
            bareTime += middle - start;
            shadowTime += Now() - middle;
        }
        bare.push_back(bareTime * 1e6 / kUpdates);
        shadow.push_back(shadowTime * 1e6 / kUpdates);
        ratio.push_back(shadowTime / bareTime);
    }
    std::printf("UpdateLayeredWindow x2, bitmaps made ahead: %8.1f us\n", Median(bare));
    std::printf("shadow update, both strips rebuilt:         %8.1f us\n", Median(shadow));
    std::printf("shadow update / UpdateLayeredWindow alone:  %.2fx (median of %d rounds)\n",
                Median(ratio), kRounds);
    return 0;
}
