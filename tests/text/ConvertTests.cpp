// Number, date and time conversion: strict parsing, and texts with the regional values the
// library read at load (this process's, and chosen ones in fresh host processes).
#include "tuText.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>

namespace {

template <typename T> struct ParseRow {
    const wchar_t* text;
    bool ok;
    T value;
};

// Runs each row through `convert`; a failing conversion must leave the value as it was.
template <typename T, typename Convert>
void CheckParsing(Convert convert, std::initializer_list<ParseRow<T>> rows) {
    const T untouched = T(77);
    for (const auto& row : rows) {
        SCOPED_TRACE(tutest::Narrow(row.text ? row.text : L"(null)"));
        T value = untouched;
        EXPECT_EQ(convert(row.text, value), row.ok);
        EXPECT_EQ(value, row.ok ? row.value : untouched);
    }
}

TEST(ConvertNumbers, Long) {
    CheckParsing<long>(cvtString2Long, {{L"  42", true, 42},
                                        {L"-7", true, -7},
                                        {L"+7", true, 7},
                                        {L"\t\n 5", true, 5},
                                        {L"007", true, 7},
                                        {L"42 ", false, 0},
                                        {L"4x", false, 0},
                                        {L"0x10", false, 0},
                                        {L"", false, 0},
                                        {L" ", false, 0},
                                        {L"+", false, 0},
                                        {L"-", false, 0},
                                        {L"- 1", false, 0},
                                        {nullptr, false, 0},
                                        {L"2147483647", true, 2147483647L},
                                        {L"2147483648", false, 0},
                                        {L"-2147483648", true, -2147483647L - 1},
                                        {L"-2147483649", false, 0},
                                        {L"99999999999999999999", false, 0}});
}

TEST(ConvertNumbers, Int64) {
    CheckParsing<__int64>(cvtString2Int64, {{L" -12", true, -12},
                                            {L"9223372036854775807", true, INT64_MAX},
                                            {L"9223372036854775808", false, 0},
                                            {L"-9223372036854775808", true, INT64_MIN},
                                            {L"-9223372036854775809", false, 0},
                                            {L"12 ", false, 0},
                                            {L"", false, 0},
                                            {nullptr, false, 0}});
}

TEST(ConvertNumbers, UInt64NegatesModulo2To64) {
    CheckParsing<unsigned __int64>(cvtString2UInt64, {{L" +5", true, 5},
                                                      {L"18446744073709551615", true, UINT64_MAX},
                                                      {L"18446744073709551616", false, 0},
                                                      {L"-1", true, UINT64_MAX},
                                                      {L"-18446744073709551615", true, 1},
                                                      {L"-18446744073709551616", false, 0},
                                                      {L"5x", false, 0},
                                                      {L"-", false, 0},
                                                      {nullptr, false, 0}});
}

TEST(ConvertNumbers, Double) {
    CheckParsing<double>(cvtString2Double, {{L"3.5", true, 3.5},
                                            {L" -2.5e3", true, -2500.0},
                                            {L"1e308", true, 1e308},
                                            {L"3,5", false, 0},
                                            {L"2.5 ", false, 0},
                                            {L"1e400", false, 0},
                                            {L"-1e400", false, 0},
                                            {L".", false, 0},
                                            {L"e5", false, 0},
                                            {L"", false, 0},
                                            {nullptr, false, 0}});
    // An underflow is no error: the result is zero or a denormal.
    double tiny = 77;
    EXPECT_TRUE(cvtString2Double(L"1e-400", tiny));
    EXPECT_TRUE(tiny >= 0 && tiny < 1e-300) << tiny;
}

// 14 March 2007 15:04:09, a Wednesday.
struct tm SampleTime() {
    struct tm time = {};
    time.tm_sec = 9;
    time.tm_min = 4;
    time.tm_hour = 15;
    time.tm_mday = 14;
    time.tm_mon = 2;
    time.tm_year = 107;
    time.tm_wday = 3;
    return time;
}

std::wstring ProfileValue(const wchar_t* key) {
    wchar_t value[2] = L"";
    ::GetProfileStringW(L"intl", key, L"", value, 2);
    return value;
}

std::wstring FormatDateTime(const struct tm* time, unsigned flags) {
    wchar_t text[CVT_DATETIME_CHARS];
    std::fill(std::begin(text), std::end(text), wchar_t(0xcccc));
    cvtFormatDateTime(time, text, flags);
    return text;
}

std::wstring SystemDate(const struct tm& time, DWORD format) {
    SYSTEMTIME st = {};
    st.wYear = WORD(time.tm_year + 1900);
    st.wMonth = WORD(time.tm_mon + 1);
    st.wDay = WORD(time.tm_mday);
    st.wDayOfWeek = WORD(time.tm_wday);
    wchar_t date[80] = L"";
    ::GetDateFormatW(LOCALE_USER_DEFAULT, format, &st, nullptr, date, 80);
    return date;
}

TEST(ConvertDates, ThisProcessUsesTheUsersSettings) {
    // The Wine prefix's profile holds all four values, so the cache shows them.
    const std::wstring time = ProfileValue(L"sTime");
    ASSERT_FALSE(time.empty());
    EXPECT_EQ(std::wstring(1, cvtGetDecimalSeparator()), ProfileValue(L"sDecimal"));

    struct tm sample = SampleTime();
    const std::wstring clock = L"15" + time + L"04";
    EXPECT_EQ(FormatDateTime(&sample, CVT_DT_SHORTDATE),
              SystemDate(sample, DATE_SHORTDATE) + L", " + clock);
    EXPECT_EQ(FormatDateTime(&sample, CVT_DT_LONGDATE | CVT_DT_SHORTDATE | CVT_DT_NOTIME),
              SystemDate(sample, DATE_LONGDATE));
    EXPECT_EQ(FormatDateTime(&sample, CVT_DT_SHORTDATE | CVT_DT_NODATE), clock);

    // Day 0 gives nothing, whatever the flags; years are cut or padded; a month the platform
    // rejects leaves its own date format empty.
    struct tm odd = sample;
    odd.tm_mday = 0;
    for (unsigned flags : {0x00u, 0x04u, 0x10u, 0x20u})
        EXPECT_EQ(FormatDateTime(&odd, flags), L"");
    odd = sample;
    odd.tm_year = 999 - 1900;
    EXPECT_NE(FormatDateTime(&odd, CVT_DT_FULLYEAR | CVT_DT_NOTIME).find(L"0999"),
              std::wstring::npos);
    odd.tm_year = 2105 - 1900;
    std::wstring twoDigits = FormatDateTime(&odd, CVT_DT_NOTIME);
    EXPECT_EQ(twoDigits.size(), 8u) << tutest::Narrow(twoDigits);
    EXPECT_NE(twoDigits.find(L"05"), std::wstring::npos);
    odd.tm_mon = 12;
    EXPECT_EQ(FormatDateTime(&odd, CVT_DT_SHORTDATE), L", " + clock);
}

TEST(ConvertDates, NullTimeMeansNow) {
    // The clock may tick between the calls, so the text must match a reading before or after.
    auto now = [] {
        SYSTEMTIME st;
        ::GetLocalTime(&st);
        wchar_t text[CVT_TIME_CHARS];
        struct tm time = {};
        time.tm_hour = st.wHour;
        time.tm_min = st.wMinute;
        time.tm_sec = st.wSecond;
        cvtFormatTime(&time, text);
        return std::wstring(text);
    };
    std::wstring before = now();
    wchar_t text[CVT_TIME_CHARS];
    cvtFormatTime(nullptr, text);
    std::wstring after = now();
    EXPECT_TRUE(text == before || text == after) << tutest::Narrow(text);
}

// What a fresh host process shows with the given regional values.
std::map<std::string, std::string> RunWithSettings(const std::wstring& settings) {
    auto result = tutest::RunHostInFreshFolder(L"textHost.exe", {L"tarnUtil.dll", L"BaseKit.dll"},
                                               {}, settings);
    EXPECT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0u) << result.output;
    std::map<std::string, std::string> shown;
    std::istringstream lines(result.output);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t eq = line.find('=');
        if (eq != std::string::npos)
            shown[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return shown;
}

TEST(ConvertDates, EveryFlagCombinationInDayMonthYearOrder) {
    auto shown = RunWithSettings(L"sDecimal=, iDate=1 sDate=. sTime=:");
    EXPECT_EQ(shown["decimal"], ",");
    EXPECT_EQ(shown["time"], "0:07:00");
    const std::map<std::string, std::string> expected = {
        {"0x00", "14.03.07, 15:04"},
        {"0x01", "14.03.2007, 15:04"},
        {"0x02", "14.03.07"},
        {"0x03", "14.03.2007"},
        {"0x04", "15:04"},
        {"0x05", "15:04"},
        {"0x06", ""},
        {"0x07", ""},
        {"0x08", "14.03.07, 15:04:09"},
        {"0x09", "14.03.2007, 15:04:09"},
        {"0x0A", "14.03.07"},
        {"0x0B", "14.03.2007"},
        {"0x0C", "15:04:09"},
        {"0x0D", "15:04:09"},
        {"0x0E", ""},
        {"0x0F", ""},
    };
    for (const auto& [flags, text] : expected)
        EXPECT_EQ(shown[flags], text) << flags;
}

TEST(ConvertDates, DateOrdersAndSeparators) {
    struct Row {
        const wchar_t* settings;
        const char* decimal;
        const char* time;
        const char* shortYear; // flags 0x00
        const char* fullYear;  // flags 0x09
    };
    const Row rows[] = {
        {L"sDecimal=. iDate=0 sDate=/ sTime=:", ".", "0:07:00", "03/14/07, 15:04",
         "03/14/2007, 15:04:09"},
        // Longer values are cut to their first character.
        {L"sDecimal=;; iDate=2 sDate=-/ sTime=.h", ";", "0.07.00", "07-03-14, 15.04",
         "2007-03-14, 15.04.09"},
        // An unknown date order is month-day-year.
        {L"sDecimal=. iDate=5 sDate=. sTime=:", ".", "0:07:00", "03.14.07, 15:04",
         "03.14.2007, 15:04:09"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(tutest::Narrow(row.settings));
        auto shown = RunWithSettings(row.settings);
        EXPECT_EQ(shown["decimal"], row.decimal);
        EXPECT_EQ(shown["time"], row.time);
        EXPECT_EQ(shown["0x00"], row.shortYear);
        EXPECT_EQ(shown["0x09"], row.fullYear);
    }
}

TEST(ConvertDates, MissingValuesComeFromTheUsersLocale) {
    auto locale = [](LCTYPE item) {
        wchar_t value[8] = L"";
        ::GetLocaleInfoW(LOCALE_USER_DEFAULT, item, value, 8);
        return tutest::Narrow(std::wstring(value, 1));
    };
    auto shown = RunWithSettings(L"iDate=1");
    EXPECT_EQ(shown["decimal"], locale(LOCALE_SDECIMAL));
    const std::string date = locale(LOCALE_SDATE), time = locale(LOCALE_STIME);
    EXPECT_EQ(shown["0x00"], "14" + date + "03" + date + "07, 15" + time + "04");
}

} // namespace
