// Number, date and time conversion: strict parsing, and texts with the regional values the
// library read at load (this process's, and chosen ones in fresh host processes).
#include "tuText.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>

namespace {

// Every accepted text gives its value; every rejected one leaves the value as it was.
template <typename T, typename Convert>
void Check(Convert convert, std::initializer_list<std::pair<const wchar_t*, T>> accepted,
           std::initializer_list<const wchar_t*> rejected) {
    for (const auto& [text, expected] : accepted) {
        T value{};
        EXPECT_TRUE(convert(text, value)) << tutest::Narrow(text);
        EXPECT_EQ(value, expected) << tutest::Narrow(text);
    }
    for (const wchar_t* text : rejected) {
        T value = T(77);
        EXPECT_FALSE(convert(text, value)) << (text ? tutest::Narrow(text) : "(null)");
        EXPECT_EQ(value, T(77));
    }
}

TEST(ConvertNumbers, StrictParsing) {
    Check<long>(cvtString2Long,
                {{L"  42", 42},
                 {L"-7", -7},
                 {L"+7", 7},
                 {L"\t\n 5", 5},
                 {L"007", 7},
                 {L"2147483647", 2147483647L},
                 {L"-2147483648", -2147483647L - 1}},
                {L"42 ", L"4x", L"0x10", L"", L" ", L"+", L"-", L"- 1", nullptr, L"2147483648",
                 L"-2147483649", L"99999999999999999999"});
    Check<__int64>(
        cvtString2Int64,
        {{L" -12", -12}, {L"9223372036854775807", INT64_MAX}, {L"-9223372036854775808", INT64_MIN}},
        {L"9223372036854775808", L"-9223372036854775809", L"12 ", L"", nullptr});
    // A negative text is negated modulo 2^64.
    Check<unsigned __int64>(
        cvtString2UInt64,
        {{L" +5", 5},
         {L"18446744073709551615", UINT64_MAX},
         {L"-1", UINT64_MAX},
         {L"-18446744073709551615", 1}},
        {L"18446744073709551616", L"-18446744073709551616", L"5x", L"-", nullptr});
    // The C runtime's decimal point is "."; an underflow is no error.
    Check<double>(cvtString2Double,
                  {{L"3.5", 3.5}, {L" -2.5e3", -2500.0}, {L"1e308", 1e308}, {L"1e-400", 0.0}},
                  {L"3,5", L"2.5 ", L"1e400", L"-1e400", L".", L"e5", L"", nullptr});
}

// 14 March 2007 15:04:09, a Wednesday (tm_sec, tm_min, tm_hour, tm_mday, tm_mon, tm_year, tm_wday).
struct tm SampleTime() {
    return {9, 4, 15, 14, 2, 107, 3, 0, 0};
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
    // By flags 0x00 to 0x0F: four-digit year, no time, no date, seconds.
    const char* expected[16] = {"14.03.07, 15:04",
                                "14.03.2007, 15:04",
                                "14.03.07",
                                "14.03.2007",
                                "15:04",
                                "15:04",
                                "",
                                "",
                                "14.03.07, 15:04:09",
                                "14.03.2007, 15:04:09",
                                "14.03.07",
                                "14.03.2007",
                                "15:04:09",
                                "15:04:09",
                                "",
                                ""};
    for (unsigned flags = 0; flags < 16; ++flags) {
        char key[8];
        std::snprintf(key, sizeof key, "0x%02X", flags);
        EXPECT_EQ(shown[key], expected[flags]) << key;
    }
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
