// Reading a double from wide text as the C runtime's wcstod does.
#pragma once

#include <cstdlib>
#include <string>

namespace tu::text {

// The toolchain's wcstod copies the text into a heap block that it never checks, and so wrote
// through a null pointer when memory was short. A number is ASCII, so the text is narrowed here
// up to its first other character, and a failed allocation throws std::bad_alloc instead.
inline double ReadDouble(const wchar_t* text, wchar_t** end) {
    std::string narrow;
    for (const wchar_t* p = text; *p > 0 && *p < 0x80; ++p)
        narrow += static_cast<char>(*p);
    char* narrowEnd = nullptr;
    const double value = std::strtod(narrow.c_str(), &narrowEnd);
    if (end)
        *end = const_cast<wchar_t*>(text) + (narrowEnd - narrow.c_str());
    return value;
}

} // namespace tu::text
