// 24-bit bitmaps put on the clipboard as packed DIBs for the thread's main window.
#include "graphics/Pixels.h"

#include "tuGraphics.h"

#include <afxwin.h>

#include <cstring>

using namespace tu::graphics;

namespace {

// The calling thread's main window, or null when it has no thread object or main window.
HWND MainWindow() {
    CWinThread* thread = AfxGetThread();
    CWnd* window = thread ? thread->GetMainWnd() : nullptr;
    return window ? window->GetSafeHwnd() : nullptr;
}

// Writes the header and the rows of a packed 24-bit DIB into `block`.
void WritePackedDib(const PixelView& pixels, bool topDown, bool flip, std::size_t stride,
                    std::uint8_t* block) {
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = pixels.width;
    header.biHeight = topDown && !flip ? -pixels.height : pixels.height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(stride * pixels.height);
    std::memcpy(block, &header, sizeof header);
    std::uint8_t* rows = block + sizeof header;
    const bool reverse = topDown && flip;
    for (int row = 0; row < pixels.height; ++row)
        std::memcpy(rows + row * stride, pixels.Row(reverse ? pixels.height - 1 - row : row),
                    stride);
}

} // namespace

int WINAPI gtlCopyRGBBmpToClipboard(HBITMAP bitmap, int topDown, int flip) {
    HWND owner = MainWindow();
    PixelView pixels;
    if (!owner || !ReadDib(bitmap, pixels) || pixels.bitsPerPixel != 24 || pixels.planes != 1)
        return 0;
    const std::size_t stride = DibStride(pixels.width, 24);
    const std::size_t imageBytes = stride * pixels.height;
    if (imageBytes > MAXDWORD - sizeof(BITMAPINFOHEADER))
        return 0;
    tu::UniqueGlobal memory(::GlobalAlloc(GMEM_MOVEABLE, sizeof(BITMAPINFOHEADER) + imageBytes));
    if (!memory)
        return 0;
    {
        tu::GlobalLockGuard lock(memory.get());
        if (!lock.get())
            return 0;
        WritePackedDib(pixels, topDown != 0, flip != 0, stride,
                       static_cast<std::uint8_t*>(lock.get()));
    }
    tu::OpenClipboardGuard clipboard(owner);
    if (!clipboard || !::EmptyClipboard() || !::SetClipboardData(CF_DIB, memory.get()))
        return 0;
    memory.release(); // the clipboard owns it now
    return 1;
}
