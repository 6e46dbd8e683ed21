// Demo of window effects: a half-transparent window with a drop shadow whose width comes from
// the program's settings, pictured as a compositing desktop shows it before and after a resize,
// and a trackbar whose thumb follows its size.
#include "Demo.h"
#include "DemoPump.h"

#include "tuGraphics.h"
#include "tuSettings.h"

#include <windows.h>

#include <commctrl.h>

namespace {

const int kShadowWidth = 12;

// Long enough for the windows of this thread to draw themselves.
const DWORD kSettleMilliseconds = 200;

HWND MakeWindow(const wchar_t* className, DWORD style, int x, int y, int width, int height,
                HWND parent = nullptr) {
    return ::CreateWindowExW(0, className, L"Korvo", style, x, y, width, height, parent, nullptr,
                             nullptr, nullptr);
}

// Captures the window and the room its shadow takes below and to its right.
void Capture(HWND window, const wchar_t* name) {
    RECT area;
    ::GetWindowRect(window, &area);
    ::InflateRect(&area, 2 * kShadowWidth, 2 * kShadowWidth);
    wchar_t path[MAX_PATH];
    ::GetFullPathNameW(name, MAX_PATH, path, nullptr);
    std::printf("%ldx%ld window, picture %ls: %s\n", area.right - area.left - 4 * kShadowWidth,
                area.bottom - area.top - 4 * kShadowWidth, path,
                CaptureScreenToPng(area, path) ? "written" : "not written");
}

void ShowShadow() {
    // The width is read from the settings when the process makes its first shadow.
    iniWriteInt(L"GUI", L"ShadowWidth", kShadowWidth, MAKEINTRESOURCEW(1));
    // A light backdrop under the window, for the shadow to fall on, with dark bars that show
    // through the half-transparent window.
    HWND backdrop = MakeWindow(L"STATIC", WS_POPUP | WS_VISIBLE, 0, 0, 600, 400);
    HWND bars[3];
    for (int i = 0; i < 3; ++i)
        bars[i] =
            MakeWindow(L"STATIC", WS_POPUP | WS_VISIBLE | SS_BLACKRECT, 120 + 80 * i, 40, 16, 160);
    HWND window = MakeWindow(L"BUTTON", WS_POPUP | WS_VISIBLE | BS_PUSHBUTTON, 60, 60, 320, 180);
    gtlCreateShadow(window);
    // The shadow takes on the transparency set afterwards too.
    std::printf("half transparent: %d (WM_TRANSPARENCYCHANGED is message 0x%X)\n",
                gtlSetWindowTransparency(window, 128), WM_TRANSPARENCYCHANGED);
    PumpFor(kSettleMilliseconds);
    Capture(window, L"shadow-before.png");
    ::SetWindowPos(window, nullptr, 0, 0, 420, 240, SWP_NOMOVE | SWP_NOZORDER);
    PumpFor(kSettleMilliseconds);
    Capture(window, L"shadow-after.png");
    ::DestroyWindow(window);
    for (HWND bar : bars)
        ::DestroyWindow(bar);
    ::DestroyWindow(backdrop);
}

void ShowThumb() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&controls);
    HWND frame = MakeWindow(L"STATIC", WS_POPUP, 0, 0, 300, 100);
    HWND trackbar = MakeWindow(TRACKBAR_CLASSW, WS_CHILD | WS_VISIBLE, 0, 0, 200, 30, frame);
    std::printf("trackbar 200x30: thumb %d by default",
                int(::SendMessageW(trackbar, TBM_GETTHUMBLENGTH, 0, 0)));
    gtlSetDefaultThumbLength(trackbar, 1);
    std::printf(", %d when set", int(::SendMessageW(trackbar, TBM_GETTHUMBLENGTH, 0, 0)));
    ::SetWindowPos(trackbar, nullptr, 0, 0, 200, 48, SWP_NOMOVE | SWP_NOZORDER);
    std::printf(", %d after growing to 200x48\n",
                int(::SendMessageW(trackbar, TBM_GETTHUMBLENGTH, 0, 0)));
    ::DestroyWindow(frame);
}

} // namespace

void ShowWindowEffects() {
    DemoSection("Window transparency, drop shadows and trackbar thumbs");
    ShowShadow();
    ShowThumb();
}
