// Graphics: 32-bit device-independent bitmaps, icons turned into bitmaps, alpha blending,
// merged bitmaps and icons, 24-bit pictures on the clipboard; window transparency, drop
// shadows and trackbar thumb lengths.
// Threads: any thread, but gtlCreateShadow on the window's own; the window maps are locked.
#pragma once

#include "tuExport.h"

#include <atltypes.h>

#include <windows.h>

// 32-bit pixels are four bytes blue, green, red, alpha (the number 0xAARRGGBB). A bitmap made
// with a positive height is bottom-up: memory row 0 is the lowest line of the picture, and
// offsets in rows count upward from the bottom edge. Every bitmap or icon handle returned
// belongs to the caller (DeleteObject, DestroyIcon); every bitmap and device context made
// inside a function is released before it returns, on success and on failure.
// Functions that read pixels need DIB sections: a bitmap whose pixel memory cannot be reached
// gives null or 0. Pixel rows are always walked as they lie in memory (the system does not
// reliably report whether a section is top-down), so a top-down source is read top line first.

// ---- Bitmaps and icons -----------------------------------------------------------------

// A new DIB section of the given size, bits per pixel and planes (uncompressed, no colour
// table). On success *bits, when bits is given, receives the address of its pixel memory.
// Null when the system refuses the size or format.
TARNUTIL_API HBITMAP WINAPI gtlCreateDIBSection(LONG width, LONG height, WORD bitsPerPixel,
                                                WORD planes, void** bits);

// The shell's icon for a file name, large or (large = 0) small. The file need not exist: the
// icon is chosen by the name's extension. Null on failure.
TARNUTIL_API HICON WINAPI icoGetFileIcon(LPCWSTR path, int large);

// A new display-compatible bitmap of the system's icon size showing the icon with its
// transparent parts white. Null on failure, also for an icon without a colour bitmap (a
// monochrome icon).
TARNUTIL_API HBITMAP WINAPI icoIcon2Bmp(HICON icon);

// ---- Alpha blending --------------------------------------------------------------------

// Blends the whole bitmap at its own size to (x, y) of the device context, with the constant
// alpha and the bitmap's per-pixel alpha (its pixels taken as premultiplied). The result of
// AlphaBlend: nonzero on success, 0 on failure (null context, bitmap size unreadable).
TARNUTIL_API int WINAPI gtlAlphaBlend(HDC dc, int x, int y, HBITMAP bitmap, BYTE alpha);

// Blends the source rectangle of the bitmap, stretched, to the destination rectangle, with
// the constant alpha and per-pixel alpha; an empty source rectangle stands for the whole
// bitmap. The result of AlphaBlend; 0 for a null context or an unreadable bitmap size.
TARNUTIL_API int WINAPI gtlAlphaBlendRect(HDC dc, CRect destination, HBITMAP bitmap, CRect source,
                                          BYTE alpha);

// Recovers a picture's alpha from a 24-bit DIB section holding it twice side by side: over
// black in the left half, over white in the right half. The result is a new 32-bit bitmap of
// width / 2 (rounded down) by height holding the left half's colour (premultiplied) and alpha
// = min(255, max(s, blue, green, red)) with s the average of the three channels'
// (left - right + 255). Null when the source is not a 24-bit DIB section or narrower than
// two pixels.
TARNUTIL_API HBITMAP WINAPI gtlCalcAlphaBmp(HBITMAP source);

// A new 32-bit bitmap covering A and B with B drawn over A, B's lower-left corner at dx
// columns and dy memory rows from A's. Bitmaps that are not 32-bit are drawn into 32 bits
// first, their pixels equal to the colour key (a COLORREF; its top byte is ignored) made
// transparent and all others opaque; 32-bit bitmaps keep their alpha (a 32-bit DIB section is
// read in place, any other 32-bit bitmap copied into one). The result is
// max(wA, wB + dx) - min(dx, 0) wide and max(hA, hB + dy) - min(dy, 0) high, transparent
// where neither covers; B is composited with straight (not premultiplied) alpha:
// n = (256 - Pa) * Sa + 256 * Pa; below 256 the pixel is 0, else alpha n / 256 and each
// colour P + (S - P) * Sa / (n / 256), truncated toward zero. Null on failure, for a null or
// non-bitmap handle, and when the result would pass 2 GiB of pixels (refused before any
// size is computed in a way that could overflow).
TARNUTIL_API HBITMAP WINAPI gtlMergeBitmaps(HBITMAP a, HBITMAP b, int dx, int dy, COLORREF keyA,
                                            COLORREF keyB);

// A new 16 x 16 icon from the top-left 16 x 16 pixels of both: B's colour blended over A's
// with per-pixel alpha, and a mask that is transparent wherever either icon's mask is (OR).
// It has A's icon flag and hot spot. Null on failure, also for an icon smaller than 16 x 16
// or one without a colour bitmap (a monochrome icon).
TARNUTIL_API HICON WINAPI gtlMergeIcon(HICON a, HICON b);

// ---- Clipboard -------------------------------------------------------------------------

// Puts a 24-bit, one-plane bitmap on the clipboard as a packed DIB (CF_DIB), for the calling
// thread's main window (the class library's thread object). Rows are copied as they lie in
// the bitmap's memory under a positive height unless topDown says that memory holds the top
// line first: then, without flip, the header's height is negated; with flip, the rows are
// copied in reverse order under a positive height. 1 when the clipboard holds the picture (it owns
// the memory); 0 when the thread has no main window, the bitmap is not 24-bit or has no reachable
// pixels, or the clipboard refuses.
TARNUTIL_API int WINAPI gtlCopyRGBBmpToClipboard(HBITMAP bitmap, int topDown, int flip);

// ---- Window transparency and drop shadows ----------------------------------------------
//
// A transparency level is 0 (opaque, not layered), 1 (opaque but layered) or 2 to 255
// (increasingly transparent): the window's alpha is 255 minus the level. Whenever a level is
// set through gtlSetWindowTransparency the window receives WM_TRANSPARENCYCHANGED, and its
// shadow, if it has one, takes on the same level.

// The message that gtlSetWindowTransparency sends (the number RegisterWindowMessageW gives for
// "__TRANS_CHANGED__"), registered when the library is loaded. wParam: the level applied
// (0 for both 0 and 1); lParam: 0.
TARNUTIL_API extern const UINT WM_TRANSPARENCYCHANGED;

// The platform's SetLayeredWindowAttributes.
typedef BOOL(WINAPI* tSetLayeredWindowAttributes)(HWND window, COLORREF key, BYTE alpha,
                                                  DWORD flags);

// The platform's SetLayeredWindowAttributes, looked up in user32 on the first call of this
// function or of gtlSetWindowTransparency and then kept; null where the platform lacks it.
TARNUTIL_API tSetLayeredWindowAttributes WINAPI gtlGetSetLayeredWindowAttributes();

// Sets a window's transparency level: a nonzero level makes it layered with alpha 255 - level
// (level 1 counts as 0 from there on), level 0 removes the layered style. Then sends it
// WM_TRANSPARENCYCHANGED with the level applied and returns 1. Returns 0, sending nothing,
// when the handle is no window or the platform has no layered windows.
TARNUTIL_API int WINAPI gtlSetWindowTransparency(HWND window, BYTE level);

// Gives a window a soft drop shadow to its right and below: two layered, click-through popups
// owned by the window, kept in step with it by subclassing it, following its transparency and
// removed when it is destroyed. The width comes from "ShadowWidth" in section "GUI" of the
// program's settings (default 6, kept within 1 to 16), read once per process.
// Call it on the thread that owns the window: a window of another thread, a window that
// already has a shadow, or a platform without UpdateLayeredWindow (before Windows 2000) is
// left as it is, and so is a window whose shadow cannot be made (nothing half made stays).
// A window with WS_CHILD never shows its shadow. The shadow of an owner narrower than the
// width has no bottom strip; a strip that cannot be drawn is drawn again on the next update.
// Should the subclass procedure meet a window it no longer knows, it gives the message to
// DefWindowProcW rather than answering 0, so that the window still paints and closes.
TARNUTIL_API void WINAPI gtlCreateShadow(HWND window);

// ---- Trackbar thumb length ---------------------------------------------------------------

// Sets a trackbar's thumb to fill the control across its short side: the window's width less
// 4 for a vertical trackbar (TBS_VERT), its height less 4 otherwise, never below 0; the
// control gets TBS_FIXEDLENGTH for it. With keep nonzero the trackbar is subclassed (once,
// however often this is called) so that the length follows every resize until the control is
// destroyed. A handle that is no window is ignored. May be called from any thread; the thumb
// procedure gives a window it does not know to DefWindowProcW.
TARNUTIL_API void WINAPI gtlSetDefaultThumbLength(HWND trackbar, int keep);
