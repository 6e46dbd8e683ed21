// The friendly form of a text: letters, digits and harmless marks kept, every other code unit
// written as "$XX" (below 256) or "§XXXX", and back.
#include "tuText.h"

#include "common/Boundary.h"
#include "common/HexDigits.h"

#include <array>
#include <cstring>
#include <iterator>

namespace {

constexpr wchar_t kByteEscape = L'$';
constexpr wchar_t kWideEscape = L'\u00A7'; // "§"
constexpr unsigned kByteEscapeLength = 3;
constexpr unsigned kWideEscapeLength = 5;
// The string forms work through a buffer of this many characters.
constexpr unsigned kStringFormChars = 1024;

constexpr std::array<bool, 128> MakeFriendlyTable() {
    std::array<bool, 128> friendly{};
    for (int c = 'A'; c <= 'Z'; ++c)
        friendly[c] = friendly[c + ('a' - 'A')] = true;
    for (int c = '0'; c <= '9'; ++c)
        friendly[c] = true;
    for (const char* mark = " !()+,-.;=[]_{}"; *mark; ++mark)
        friendly[static_cast<unsigned char>(*mark)] = true;
    return friendly;
}
constexpr std::array<bool, 128> kFriendly = MakeFriendlyTable();

bool IsFriendly(wchar_t c) {
    return static_cast<unsigned>(c) < 128 && kFriendly[c];
}

// Writes the escape of `c` at `out`: the introducer and 2 or 4 upper-case digits.
void PutEscape(wchar_t* out, wchar_t c) {
    using tu::text::kUpperDigits;
    if (c < 256) {
        out[0] = kByteEscape;
        out[1] = kUpperDigits[c >> 4];
        out[2] = kUpperDigits[c & 15];
        return;
    }
    out[0] = kWideEscape;
    out[1] = kUpperDigits[c >> 12];
    out[2] = kUpperDigits[(c >> 8) & 15];
    out[3] = kUpperDigits[(c >> 4) & 15];
    out[4] = kUpperDigits[c & 15];
}

// Reads `count` hex digits at `in` into `value`; false if a non-digit (the terminator included)
// comes first, without reading past it.
bool ReadDigits(const wchar_t* in, unsigned count, wchar_t& value) {
    unsigned result = 0;
    for (unsigned i = 0; i < count; ++i) {
        int digit = tu::text::DigitValue(in[i]);
        if (digit < 0)
            return false;
        result = result << 4 | static_cast<unsigned>(digit);
    }
    value = static_cast<wchar_t>(result);
    return true;
}

void ZeroFill(wchar_t* output, unsigned int size) {
    std::memset(output, 0, size * sizeof(wchar_t));
}

// Runs a conversion through a buffer of kStringFormChars characters into `result`; 0 with the
// result as it was when there is no memory for it.
template <typename Convert>
int ThroughBuffer(const CString& source, CString& result, Convert convert) {
    wchar_t buffer[kStringFormChars];
    int written = convert(source.GetString(), buffer, std::size(buffer));
    return tu::Guarded(0, [&] {
        result = CString(buffer, written);
        return written;
    });
}

} // namespace

int WINAPI strFriendlify(const wchar_t* source, wchar_t* output, unsigned int size) {
    if (!source || !output)
        return -1;
    ZeroFill(output, size);
    // `room` counts the characters left including the terminator, which always stays.
    unsigned room = size;
    wchar_t* out = output;
    for (; *source && room >= 2; ++source) {
        wchar_t c = *source;
        if (IsFriendly(c)) {
            *out++ = c;
            --room;
            continue;
        }
        unsigned length = c < 256 ? kByteEscapeLength : kWideEscapeLength;
        if (room < length + 1)
            break;
        PutEscape(out, c);
        out += length;
        room -= length;
    }
    return static_cast<int>(size - room);
}

int WINAPI strUnfriendlify(const wchar_t* source, wchar_t* output, unsigned int size) {
    if (!source || !output || size < 2)
        return -1;
    ZeroFill(output, size);
    unsigned room = size;
    wchar_t* out = output;
    while (*source && room >= 2) {
        wchar_t c = *source++;
        unsigned digits = c == kByteEscape ? 2 : c == kWideEscape ? 4 : 0;
        // An introducer without its full number of digits stays as it is; the characters after
        // it are then read as ordinary ones.
        if (digits && ReadDigits(source, digits, c))
            source += digits;
        *out++ = c;
        --room;
    }
    return static_cast<int>(size - room);
}

int WINAPI strFriendlify(const CString& source, CString& result) {
    return ThroughBuffer(source, result, [](const wchar_t* s, wchar_t* out, unsigned int size) {
        return strFriendlify(s, out, size);
    });
}

int WINAPI strUnfriendlify(const CString& source, CString& result) {
    return ThroughBuffer(source, result, [](const wchar_t* s, wchar_t* out, unsigned int size) {
        return strUnfriendlify(s, out, size);
    });
}
