// The fuzz targets' shared decoding and checks.
#include "FuzzSupport.h"

#include <cstdio>

namespace tufuzz {

void Fail(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "fuzz: check failed: %s (%s:%d)\n", condition, file, line);
    std::fflush(stderr);
    __builtin_trap();
}

namespace {

// The number of continuation bytes a lead byte announces, and its payload bits.
int Continuations(std::uint8_t lead, std::uint32_t& value) {
    if ((lead & 0xE0) == 0xC0) {
        value = lead & 0x1F;
        return 1;
    }
    if ((lead & 0xF0) == 0xE0) {
        value = lead & 0x0F;
        return 2;
    }
    if ((lead & 0xF8) == 0xF0) {
        value = lead & 0x07;
        return 3;
    }
    return 0;
}

void Append(std::wstring& text, std::uint32_t codePoint) {
    if (codePoint < 0x10000) {
        text += static_cast<wchar_t>(codePoint);
        return;
    }
    codePoint -= 0x10000;
    text += static_cast<wchar_t>(0xD800 + (codePoint >> 10));
    text += static_cast<wchar_t>(0xDC00 + (codePoint & 0x3FF));
}

} // namespace

std::wstring Reader::Text() {
    std::wstring text;
    while (!Empty() && *m_at) {
        const std::uint8_t lead = *m_at++;
        std::uint32_t value = lead;
        const int more = Continuations(lead, value);
        if (more == 0 || m_end - m_at < more) {
            text += static_cast<wchar_t>(lead);
            continue;
        }
        bool valid = true;
        for (int i = 0; i < more; ++i)
            valid = valid && (m_at[i] & 0xC0) == 0x80;
        if (!valid) {
            text += static_cast<wchar_t>(lead);
            continue;
        }
        for (int i = 0; i < more; ++i)
            value = value << 6 | (*m_at++ & 0x3F);
        Append(text, value > 0x10FFFF ? 0xFFFD : value);
    }
    if (!Empty())
        ++m_at; // the zero that ends the field
    return text;
}

std::string Reader::Rest() {
    std::string rest(reinterpret_cast<const char*>(m_at), static_cast<std::size_t>(m_end - m_at));
    m_at = m_end;
    return rest;
}

bool AllEqual(const wchar_t* begin, const wchar_t* end, wchar_t fill) {
    for (; begin != end; ++begin)
        if (*begin != fill)
            return false;
    return true;
}

} // namespace tufuzz
