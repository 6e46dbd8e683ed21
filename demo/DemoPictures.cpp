// Pictures for the demo: 32-bit pixels, or a part of the screen, written as PNG files through
// the platform's imaging component.
#include "Demo.h"

#include <windows.h>

#include <wincodec.h>

#include <algorithm>
#include <vector>

namespace {

// Releases a COM interface when it goes.
template <class T> struct ComPtr {
    T* p = nullptr;
    ~ComPtr() {
        if (p)
            p->Release();
    }
    T* operator->() const { return p; }
    T** operator&() { return &p; }
};

} // namespace

bool WritePng(const wchar_t* path, const BYTE* pixels, UINT width, UINT height) {
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
    UINT stride = width * 4;
    return SUCCEEDED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_PPV_ARGS(&factory))) &&
           SUCCEEDED(factory->CreateStream(&stream)) &&
           SUCCEEDED(stream->InitializeFromFilename(path, GENERIC_WRITE)) &&
           SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
           SUCCEEDED(encoder->Initialize(stream.p, WICBitmapEncoderNoCache)) &&
           SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) &&
           SUCCEEDED(frame->Initialize(nullptr)) && SUCCEEDED(frame->SetSize(width, height)) &&
           SUCCEEDED(frame->SetPixelFormat(&format)) &&
           SUCCEEDED(
               frame->WritePixels(height, stride, stride * height, const_cast<BYTE*>(pixels))) &&
           SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

namespace {

// A screen rectangle's 32-bit pixels, top line first: blue, green, red, alpha.
struct Pixels {
    RECT area;
    std::vector<BYTE> bgra;

    LONG Width() const { return area.right - area.left; }
    size_t Offset(LONG x, LONG y) const {
        return 4 * size_t((y - area.top) * Width() + (x - area.left));
    }
    BYTE* At(LONG x, LONG y) { return &bgra[Offset(x, y)]; }
};

// The pixels that `draw` paints into a memory DC over a top-down 32-bit section of the area.
template <class Draw> Pixels Painted(const RECT& area, Draw draw) {
    Pixels pixels{area, {}};
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = pixels.Width();
    info.bmiHeader.biHeight = -(area.bottom - area.top); // top-down rows, as the encoder takes them
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP section = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!section)
        return pixels;
    HDC memory = ::CreateCompatibleDC(nullptr);
    HGDIOBJ old = ::SelectObject(memory, section);
    draw(memory);
    ::GdiFlush();
    pixels.bgra.assign(static_cast<BYTE*>(bits),
                       static_cast<BYTE*>(bits) + 4 * pixels.Width() * (area.bottom - area.top));
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
    ::DeleteObject(section);
    return pixels;
}

// What the screen holds in the area. Without a compositor a layered window's place holds its
// raw pixels: premultiplied, with their alpha, not yet blended with what lies under it.
Pixels ReadScreen(const RECT& area) {
    return Painted(area, [&](HDC memory) {
        HDC screen = ::GetDC(nullptr);
        ::BitBlt(memory, 0, 0, area.right - area.left, area.bottom - area.top, screen, area.left,
                 area.top, SRCCOPY);
        ::ReleaseDC(nullptr, screen);
    });
}

// The window as it draws itself, also where other windows cover it; opaque.
Pixels PrintWindowPixels(HWND window, const RECT& rect) {
    Pixels pixels = Painted(rect, [&](HDC memory) { ::PrintWindow(window, memory, 0); });
    for (size_t i = 3; i < pixels.bgra.size(); i += 4)
        pixels.bgra[i] = 255;
    return pixels;
}

// This process's visible top-level windows that reach into the area, topmost first.
std::vector<HWND> WindowsTopDown(const RECT& area) {
    struct Search {
        RECT area;
        std::vector<HWND> found;
    } search{area, {}};
    ::EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto& search = *reinterpret_cast<Search*>(data);
            DWORD process = 0;
            RECT rect, common;
            ::GetWindowThreadProcessId(window, &process);
            if (process == ::GetCurrentProcessId() && ::IsWindowVisible(window) &&
                ::GetWindowRect(window, &rect) && ::IntersectRect(&common, &rect, &search.area))
                search.found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// One window's pixels and how they mix with what lies under them.
struct Layer {
    Pixels pixels;
    BYTE constantAlpha = 255;
    std::vector<RECT> coveredBy; // where the pixels are unknown (a higher window hides them)
};

// A window as a layer. A window made layered by UpdateLayeredWindow has only its raw pixels on
// the screen, already carrying the window's constant alpha; every other window draws itself,
// opaque, and a layered one adds its constant alpha.
Layer LayerOf(HWND window, const std::vector<HWND>& above, Pixels& screen) {
    RECT rect;
    ::GetWindowRect(window, &rect);
    ::IntersectRect(&rect, &rect, &screen.area);
    BYTE alpha = 255;
    DWORD flags = 0;
    bool layered = ::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYERED;
    if (layered && !::GetLayeredWindowAttributes(window, nullptr, &alpha, &flags)) {
        Layer layer{Pixels{rect, {}}, 255, {}};
        for (HWND higher : above) {
            RECT cover;
            ::GetWindowRect(higher, &cover);
            layer.coveredBy.push_back(cover);
        }
        for (LONG y = rect.top; y < rect.bottom; ++y)
            layer.pixels.bgra.insert(layer.pixels.bgra.end(), screen.At(rect.left, y),
                                     screen.At(rect.left, y) + 4 * (rect.right - rect.left));
        return layer;
    }
    return Layer{PrintWindowPixels(window, rect), BYTE(flags & LWA_ALPHA ? alpha : 255), {}};
}

// value * by / 255, rounded.
unsigned Scale(unsigned value, unsigned by) {
    return (value * by + 127) / 255;
}

// Source-over of premultiplied pixels with the layer's constant alpha, as a compositor does.
void Composite(const Layer& layer, Pixels& canvas) {
    const RECT& rect = layer.pixels.area;
    for (LONG y = rect.top; y < rect.bottom; ++y)
        for (LONG x = rect.left; x < rect.right; ++x) {
            POINT point{x, y};
            bool covered = false;
            for (const RECT& cover : layer.coveredBy)
                covered = covered || ::PtInRect(&cover, point);
            if (covered)
                continue;
            const BYTE* source = &layer.pixels.bgra[layer.pixels.Offset(x, y)];
            BYTE* target = canvas.At(x, y);
            const unsigned alpha = Scale(source[3], layer.constantAlpha);
            for (int c = 0; c < 3; ++c)
                target[c] = BYTE(std::min(255u, Scale(source[c], layer.constantAlpha) +
                                                    Scale(target[c], 255 - alpha)));
        }
}

} // namespace

bool CaptureScreenToPng(const RECT& area, const wchar_t* path) {
    Pixels screen = ReadScreen(area);
    if (screen.bgra.empty())
        return false;
    // The desktop first, then this process's windows from the lowest up.
    const COLORREF desktop = ::GetSysColor(COLOR_DESKTOP);
    Pixels canvas{area, {}};
    for (size_t i = 0; i < screen.bgra.size() / 4; ++i)
        canvas.bgra.insert(canvas.bgra.end(),
                           {GetBValue(desktop), GetGValue(desktop), GetRValue(desktop), 255});
    std::vector<HWND> windows = WindowsTopDown(area);
    for (size_t i = windows.size(); i-- > 0;) {
        Layer layer = LayerOf(windows[i], {windows.begin(), windows.begin() + i}, screen);
        Composite(layer, canvas);
    }
    bool initialized = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    bool written = WritePng(path, canvas.bgra.data(), canvas.Width(), area.bottom - area.top);
    if (initialized)
        ::CoUninitialize();
    return written;
}
