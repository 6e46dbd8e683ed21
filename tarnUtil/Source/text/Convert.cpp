// Regional number, date and time texts: the locale cache filled at load, time and date-time
// texts, and strict conversions of text into numbers.
#include "tuText.h"

#include "common/Boundary.h"
#include "common/WindowsSupport.h"
#include "internal/LoadSteps.h"
#include "common/ReadDouble.h"

#include <cerrno>
#include <cmath>
#include <cwchar>
#include <iterator>
#include <limits>

namespace {

// The user's regional values. Process-wide and unlocked: written once by InitLocaleCache while
// the process attaches the library, before any caller can run, and only read afterwards. The
// initial values are constants, so they hold before the load step too.
struct LocaleCache {
    wchar_t decimalSeparator = L'.';
    int dateOrder = 0; // 0 month-day-year, 1 day-month-year, 2 year-month-day
    wchar_t dateSeparator[2] = L".";
    wchar_t timeSeparator[2] = L":";
};
LocaleCache g_locale;

constexpr wchar_t kSection[] = L"intl";

// Reads a one-character value: the profile's, else the user locale's, else `fallback`.
// An empty value counts as missing.
void ReadSeparator(const wchar_t* key, LCTYPE localeItem, const wchar_t* fallback,
                   wchar_t (&value)[2]) {
    if (::GetProfileStringW(kSection, key, L"", value, std::size(value)) > 0)
        return;
    wchar_t fromLocale[8] = L"";
    if (::GetLocaleInfoW(LOCALE_USER_DEFAULT, localeItem, fromLocale, std::size(fromLocale)) > 1) {
        value[0] = fromLocale[0];
        value[1] = L'\0';
        return;
    }
    value[0] = fallback[0];
    value[1] = L'\0';
}

// The date order: the profile's, else the user locale's, else month-day-year.
int ReadDateOrder() {
    constexpr int kMissing = std::numeric_limits<int>::min();
    int order = static_cast<int>(::GetProfileIntW(kSection, L"iDate", kMissing));
    if (order != kMissing)
        return order;
    wchar_t fromLocale[8] = L"";
    if (::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IDATE, fromLocale, std::size(fromLocale)) > 1)
        return static_cast<int>(std::wcstol(fromLocale, nullptr, 10));
    return 0;
}

// Output writers: each appends at `out`, terminates and returns the new end.
wchar_t* PutText(wchar_t* out, const wchar_t* text) {
    while (*text)
        *out++ = *text++;
    *out = L'\0';
    return out;
}

wchar_t* PutNumber(wchar_t* out, unsigned value, int minDigits) {
    wchar_t digits[10];
    int count = 0;
    do {
        digits[count++] = static_cast<wchar_t>(L'0' + value % 10);
        value /= 10;
    } while (value);
    for (int pad = count; pad < minDigits; ++pad)
        *out++ = L'0';
    while (count)
        *out++ = digits[--count];
    *out = L'\0';
    return out;
}

// The caller's struct tm as SYSTEMTIME, each value cut to 16 bits; the local time when null.
SYSTEMTIME ToSystemTime(const struct tm* time) {
    SYSTEMTIME st{};
    if (!time) {
        ::GetLocalTime(&st);
        return st;
    }
    st.wYear = static_cast<WORD>(time->tm_year + 1900);
    st.wMonth = static_cast<WORD>(time->tm_mon + 1);
    st.wDayOfWeek = static_cast<WORD>(time->tm_wday);
    st.wDay = static_cast<WORD>(time->tm_mday);
    st.wHour = static_cast<WORD>(time->tm_hour);
    st.wMinute = static_cast<WORD>(time->tm_min);
    st.wSecond = static_cast<WORD>(time->tm_sec);
    return st;
}

// Hour without padding, separator, two-digit minute, and with `seconds` separator and seconds.
wchar_t* PutTime(wchar_t* out, const SYSTEMTIME& st, bool seconds) {
    out = PutNumber(out, st.wHour, 1);
    out = PutText(out, g_locale.timeSeparator);
    out = PutNumber(out, st.wMinute, 2);
    if (seconds) {
        out = PutText(out, g_locale.timeSeparator);
        out = PutNumber(out, st.wSecond, 2);
    }
    return out;
}

// Three numbers joined by the date separator, in the cached date order.
wchar_t* PutNumericDate(wchar_t* out, const SYSTEMTIME& st, bool fullYear) {
    unsigned year = fullYear ? st.wYear : st.wYear % 100u;
    int yearDigits = fullYear ? 4 : 2;
    unsigned first = st.wMonth, second = st.wDay, third = year;
    int firstDigits = 2, thirdDigits = yearDigits;
    if (g_locale.dateOrder == 1) {
        first = st.wDay;
        second = st.wMonth;
    } else if (g_locale.dateOrder == 2) {
        first = year;
        firstDigits = yearDigits;
        second = st.wMonth;
        third = st.wDay;
        thirdDigits = 2;
    }
    out = PutNumber(out, first, firstDigits);
    out = PutText(out, g_locale.dateSeparator);
    out = PutNumber(out, second, 2);
    out = PutText(out, g_locale.dateSeparator);
    return PutNumber(out, third, thirdDigits);
}

// The user's short or long date. A date the platform cannot write leaves the date part empty.
wchar_t* PutSystemDate(wchar_t* out, const SYSTEMTIME& st, DWORD format, int size) {
    int written = ::GetDateFormatW(LOCALE_USER_DEFAULT, format, &st, nullptr, out, size);
    if (written <= 0) {
        *out = L'\0';
        return out;
    }
    return out + written - 1;
}

wchar_t* PutDate(wchar_t* out, const SYSTEMTIME& st, unsigned int flags) {
    if (flags & CVT_DT_LONGDATE)
        return PutSystemDate(out, st, DATE_LONGDATE, 80);
    if (flags & CVT_DT_SHORTDATE)
        return PutSystemDate(out, st, DATE_SHORTDATE, 20);
    return PutNumericDate(out, st, flags & CVT_DT_FULLYEAR);
}

// Strict conversion with the C runtime's `parse`: the value is taken only when the whole text
// is one number within the type's range. `outOfRange` tells from the result whether a range
// error reported by the runtime is an overflow.
template <typename T, typename Parse, typename OutOfRange>
bool ConvertStrictly(const wchar_t* text, T& value, Parse parse, OutOfRange outOfRange) {
    if (!text)
        return false;
    errno = 0;
    wchar_t* end = nullptr;
    T result = parse(text, &end);
    if (errno == ERANGE && outOfRange(result))
        return false;
    if (end == text || *end != L'\0')
        return false;
    value = result;
    return true;
}

// For integers every range error is an overflow. The result cannot tell: runtimes differ in
// what they return for a negated unsigned overflow (the maximum, or the maximum negated).
template <typename T> bool AnyRangeError(T) {
    return true;
}

// For doubles an underflow is no error; only the infinite result of an overflow is.
bool Overflowed(double value) {
    return std::isinf(value);
}

} // namespace

namespace tu::text {
void InitLocaleCache() {
    wchar_t decimal[2];
    ReadSeparator(L"sDecimal", LOCALE_SDECIMAL, L".", decimal);
    g_locale.decimalSeparator = decimal[0];
    g_locale.dateOrder = ReadDateOrder();
    ReadSeparator(L"sDate", LOCALE_SDATE, L".", g_locale.dateSeparator);
    ReadSeparator(L"sTime", LOCALE_STIME, L":", g_locale.timeSeparator);
}
} // namespace tu::text

wchar_t WINAPI cvtGetDecimalSeparator() {
    return g_locale.decimalSeparator;
}

void WINAPI cvtFormatTime(const struct tm* time, wchar_t* output) {
    PutTime(output, ToSystemTime(time), true);
}

void WINAPI cvtFormatDateTime(const struct tm* time, wchar_t* output, unsigned int flags) {
    *output = L'\0';
    SYSTEMTIME st = ToSystemTime(time);
    if (st.wDay == 0)
        return;
    wchar_t* out = output;
    if (!(flags & CVT_DT_NODATE)) {
        out = PutDate(out, st, flags);
        if (flags & CVT_DT_NOTIME)
            return;
        out = PutText(out, L", ");
    }
    if (!(flags & CVT_DT_NOTIME))
        PutTime(out, st, flags & CVT_DT_SECONDS);
}

bool WINAPI cvtString2Long(const wchar_t* text, long& value) {
    return ConvertStrictly(
        text, value, [](const wchar_t* s, wchar_t** end) { return std::wcstol(s, end, 10); },
        AnyRangeError<long>);
}

bool WINAPI cvtString2Int64(const wchar_t* text, __int64& value) {
    return ConvertStrictly(
        text, value, [](const wchar_t* s, wchar_t** end) { return _wcstoi64(s, end, 10); },
        AnyRangeError<__int64>);
}

bool WINAPI cvtString2UInt64(const wchar_t* text, unsigned __int64& value) {
    return ConvertStrictly(
        text, value, [](const wchar_t* s, wchar_t** end) { return _wcstoui64(s, end, 10); },
        AnyRangeError<unsigned __int64>);
}

bool WINAPI cvtString2Double(const wchar_t* text, double& value) {
    return tu::Guarded(false, [&] {
        return ConvertStrictly(
            text, value,
            [](const wchar_t* s, wchar_t** end) { return tu::text::ReadDouble(s, end); },
            Overflowed);
    });
}
