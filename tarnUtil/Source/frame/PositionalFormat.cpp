// Positional message formatting: arguments formatted once into numbered pieces, inserted into
// a template by number ("%1", "%2", ...), so that translations may reorder them.
#include "tuLocal.h"

#include <cstdlib>
#include <cwchar>
#include <iterator>
#include <memory>
#include <new>
#include <utility>

namespace {

// Put in front of every conversion of the argument format and after the last one, it splits
// the formatted text into pieces.
constexpr wchar_t kMarker = L'\x0001';
// The marked argument format with its terminator.
constexpr size_t kMarkedFormatSize = 256;
// The formatted arguments: first tried in a stack buffer, then once in a larger heap buffer.
constexpr size_t kSmallTextSize = 1024;
constexpr size_t kLargeTextSize = 4096;

// The argument format with a marker before every "%" and one at the end; false when it does
// not fit in kMarkedFormatSize characters.
bool MarkArgumentFormat(LPCWSTR argFormat, wchar_t (&marked)[kMarkedFormatSize]) {
    size_t at = 0;
    for (const wchar_t* p = argFormat; *p; ++p) {
        const size_t needed = *p == L'%' ? 2 : 1;
        if (at + needed + 2 > kMarkedFormatSize) // room for the last marker and terminator
            return false;
        if (*p == L'%')
            marked[at++] = kMarker;
        marked[at++] = *p;
    }
    marked[at++] = kMarker;
    marked[at] = L'\0';
    return true;
}

// Formats into `size` characters; false when the text does not fit (the runtime's negative
// result). On success the text is terminated, also when it fills the buffer exactly.
bool FormatInto(wchar_t* text, size_t size, const wchar_t* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    const int written = _vsnwprintf(text, size - 1, format, copy);
    va_end(copy);
    if (written < 0)
        return false;
    text[written] = L'\0';
    return true;
}

// Piece `number` (from 1) of the formatted text: the text between marker `number` and the
// next marker. A number without a piece gives an empty range.
std::pair<const wchar_t*, const wchar_t*> PieceOf(const wchar_t* text, unsigned long number) {
    const wchar_t* start = nullptr;
    unsigned long markers = 0;
    for (const wchar_t* p = text; *p; ++p) {
        if (*p != kMarker)
            continue;
        if (start)
            return {start, p};
        if (++markers == number)
            start = p + 1;
    }
    return {nullptr, nullptr};
}

// Copies the template into the output, inserting pieces; returns the output's length.
UINT FillTemplate(LPWSTR output, UINT size, LPCWSTR templ, const wchar_t* text) {
    const UINT limit = size - 1;
    UINT length = 0;
    for (const wchar_t* p = templ; *p && length < limit;) {
        if (*p != L'%') {
            output[length++] = *p++;
            continue;
        }
        if (p[1] >= L'1' && p[1] <= L'9') {
            wchar_t* end = nullptr;
            auto range = PieceOf(text, std::wcstoul(p + 1, &end, 10));
            for (const wchar_t* q = range.first; q != range.second && length < limit; ++q)
                output[length++] = *q;
            p = end;
            continue;
        }
        // "%%" gives "%"; "%x" gives "x"; a "%" at the very end gives nothing.
        if (!p[1])
            break;
        output[length++] = p[1];
        p += 2;
    }
    output[length] = L'\0';
    return length;
}

} // namespace

int WINAPI lclFormatString(LPWSTR output, UINT size, LPCWSTR templ, LPCWSTR argFormat,
                           va_list args) {
    if (!output || size < 2 || !templ || !argFormat)
        return 0;
    wchar_t marked[kMarkedFormatSize];
    if (!MarkArgumentFormat(argFormat, marked))
        return 0;
    wchar_t small[kSmallTextSize];
    const wchar_t* text = small;
    std::unique_ptr<wchar_t[]> large;
    if (!FormatInto(small, std::size(small), marked, args)) {
        large.reset(new (std::nothrow) wchar_t[kLargeTextSize]);
        if (!large || !FormatInto(large.get(), kLargeTextSize, marked, args))
            return 0;
        text = large.get();
    }
    return static_cast<int>(FillTemplate(output, size, templ, text));
}

int __cdecl lclFormatString(LPWSTR output, UINT size, LPCWSTR templ, LPCWSTR argFormat, ...) {
    va_list args;
    va_start(args, argFormat);
    const int length = lclFormatString(output, size, templ, argFormat, args);
    va_end(args);
    return length;
}

int __cdecl lclFormatString(LPWSTR output, UINT size, HINSTANCE module, UINT templId,
                            LPCWSTR argFormat, ...) {
    wchar_t templ[1024];
    if (!lclLoadStringW(module, templId, templ, std::size(templ), LCL_USER_INPUT_LANG, TRUE))
        return 0;
    va_list args;
    va_start(args, argFormat);
    const int length = lclFormatString(output, size, templ, argFormat, args);
    va_end(args);
    return length;
}
