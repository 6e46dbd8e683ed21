// What the fuzz targets share: checks that stop the run with the failing input, guard-page
// buffers whose end is the end of their memory, and the decoding of raw bytes into texts and
// numbers.
#pragma once

#include "common/GuardPages.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace tufuzz {

// Reports the failed condition; the driver then saves the input and stops the program.
[[noreturn]] void Fail(const char* condition, const char* file, int line);

#define FUZZ_CHECK(condition)                                                                      \
    ((condition) ? (void)0 : ::tufuzz::Fail(#condition, __FILE__, __LINE__))

// The value of a hex digit of either case, -1 for any other character.
inline int HexValue(wchar_t c) {
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    return -1;
}

// `count` elements that end where an inaccessible page begins, so that any access past the end
// faults; count 0 gives a pointer at the inaccessible page itself. Freed into the guard heap's
// quarantine, so a late access faults too.
template <class T> class Guarded {
public:
    explicit Guarded(std::size_t count)
        : m_block(static_cast<T*>(tu::guard::Allocate((count ? count : 1) * sizeof(T)))),
          m_data(m_block + (count ? 0 : 1)), m_count(count) {}
    Guarded(const T* source, std::size_t count) : Guarded(count) {
        if (count)
            std::memcpy(m_data, source, count * sizeof(T));
    }
    ~Guarded() { tu::guard::Release(m_block); }
    Guarded(const Guarded&) = delete;
    Guarded& operator=(const Guarded&) = delete;

    T* data() const { return m_data; }
    std::size_t size() const { return m_count; }
    // The last `count` elements: a smaller buffer that also ends at the inaccessible page.
    T* Tail(std::size_t count) const { return m_data + (m_count - count); }

private:
    T* m_block;
    T* m_data;
    std::size_t m_count;
};

// A terminated copy of a text whose terminator is the last element before the guard page.
class GuardedText : public Guarded<wchar_t> {
public:
    explicit GuardedText(const std::wstring& text) : Guarded(text.c_str(), text.size() + 1) {}
};

// Reads fields from the input in order; fields past its end read as zero or empty.
class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : m_at(data), m_end(data + size) {}

    bool Empty() const { return m_at == m_end; }
    std::uint8_t Byte() { return Empty() ? 0 : *m_at++; }
    std::uint32_t Word() {
        std::uint32_t word = Byte();
        word |= std::uint32_t{Byte()} << 8;
        return word;
    }
    // UTF-8 up to the next zero byte or the end, with invalid bytes taken as the code units
    // 0x80 to 0xFF and encoded surrogates kept, so that every code unit can be written.
    std::wstring Text();
    // All remaining bytes.
    std::string Rest();

private:
    const std::uint8_t* m_at;
    const std::uint8_t* m_end;
};

// Compares an area that a call must not have written with the fill it was given.
bool AllEqual(const wchar_t* begin, const wchar_t* end, wchar_t fill);

} // namespace tufuzz
