// The strict number conversions on arbitrary text: each agrees with the C library's conversion
// read strictly (whole text, no range error), and a failure leaves the value untouched.
#include "FuzzSupport.h"

#include "tuText.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cwchar>
#include <type_traits>

namespace {

// The C library's answer for the text, or false: nothing converted, anything after the number
// (white space too), or an overflow. For integers every range error is one, whatever value the
// runtime returns with it (it gives 1 for a negative text beyond the unsigned range); for
// doubles only the infinities are, an underflow is not.
template <class T, class Convert>
bool Expected(const wchar_t* text, Convert convert, T overflowLow, T overflowHigh, T& value) {
    wchar_t* end = nullptr;
    errno = 0;
    const T converted = convert(text, &end);
    const bool overflow = errno == ERANGE && (std::is_integral_v<T> || converted == overflowLow ||
                                              converted == overflowHigh);
    if (overflow || end == text || *end)
        return false;
    value = converted;
    return true;
}

template <class T> bool Same(T a, T b) {
    return a == b;
}
template <> bool Same(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The library's conversion against the expected one; the value starts as a sentinel that a
// failure must leave.
template <class T, class Library, class Model>
void Check(const wchar_t* text, T sentinel, Library library, Model model) {
    T value = sentinel;
    T expected = sentinel;
    const bool ok = library(text, value);
    FUZZ_CHECK(ok == model(text, expected));
    FUZZ_CHECK(Same(value, expected));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tufuzz::Reader reader(data, size);
    const tufuzz::GuardedText text(reader.Text());
    const wchar_t* t = text.data();
    Check<long>(t, 0x5A5A5A5A, cvtString2Long, [](const wchar_t* s, long& v) {
        return Expected<long>(
            s, [](auto p, auto e) { return std::wcstol(p, e, 10); }, LONG_MIN, LONG_MAX, v);
    });
    Check<__int64>(t, 0x5A5A5A5A5A5A, cvtString2Int64, [](const wchar_t* s, __int64& v) {
        return Expected<__int64>(
            s, [](auto p, auto e) { return _wcstoi64(p, e, 10); }, _I64_MIN, _I64_MAX, v);
    });
    Check<unsigned __int64>(
        t, 0x5A5A5A5A5A5A, cvtString2UInt64, [](const wchar_t* s, unsigned __int64& v) {
            return Expected<unsigned __int64>(
                s, [](auto p, auto e) { return _wcstoui64(p, e, 10); }, _UI64_MAX, _UI64_MAX, v);
        });
    Check<double>(t, 1234.5, cvtString2Double, [](const wchar_t* s, double& v) {
        return Expected<double>(
            s, [](auto p, auto e) { return std::wcstod(p, e); }, -HUGE_VAL, HUGE_VAL, v);
    });
    return 0;
}
