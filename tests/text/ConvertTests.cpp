// Number, date and time conversion: strict parsing, and texts with the regional values the
// library read at load (this process's, and chosen ones in fresh host processes).
#include "tuText.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <tuple>

namespace {

// Every accepted text gives its value; every rejected one leaves the value as it was.
template <typename T, typename Convert>
void Check(Convert convert, std::initializer_list<std::pair<const wchar_t*, T>> accepted,
           std::initializer_list<const wchar_t*> rejected) {
    auto result = [&](const wchar_t* text) {
        T value = T(77);
        return std::make_pair(bool(convert(text, value)), value);
    };
    for (const auto& [text, expected] : accepted)
        EXPECT_EQ(result(text), std::make_pair(true, expected)) << tutest::Narrow(text);
    for (const wchar_t* text : rejected)
        EXPECT_EQ(result(text), std::make_pair(false, T(77))) << (text ? tutest::Narrow(text) : "");
}

TEST(ConvertNumbers, StrictParsing) {
    // clang-format off
    Check<long>(cvtString2Long,
        {{L"  42", 42}, {L"-7", -7}, {L"+7", 7}, {L"\t\n 5", 5}, {L"007", 7},
         {L"2147483647", 2147483647L}, {L"-2147483648", -2147483647L - 1}},
        {L"42 ", L"4x", L"0x10", L"", L" ", L"+", L"-", L"- 1", nullptr, L"2147483648",
         L"-2147483649", L"99999999999999999999"});
    Check<__int64>(cvtString2Int64,
        {{L" -12", -12}, {L"9223372036854775807", INT64_MAX}, {L"-9223372036854775808", INT64_MIN}},
        {L"9223372036854775808", L"-9223372036854775809", L"12 ", L"", nullptr});
    // A negative text is negated modulo 2^64.
    Check<unsigned __int64>(cvtString2UInt64,
        {{L" +5", 5}, {L"18446744073709551615", UINT64_MAX}, {L"-1", UINT64_MAX},
         {L"-18446744073709551615", 1}},
        {L"18446744073709551616", L"-18446744073709551616", L"5x", L"-", nullptr});
    // The C runtime's decimal point is "."; an underflow is no error.
    Check<double>(cvtString2Double,
        {{L"3.5", 3.5}, {L" -2.5e3", -2500.0}, {L"1e308", 1e308}, {L"1e-400", 0.0}},
        {L"3,5", L"2.5 ", L"1e400", L"-1e400", L".", L"e5", L"", nullptr});
    // clang-format on
}

std::wstring Format(struct tm time, unsigned flags) {
    tutest::GuardedBuffer text(CVT_DATETIME_CHARS);
    cvtFormatDateTime(&time, text.Data(), flags);
    EXPECT_TRUE(text.GuardIntact());
    return text.Text();
}

TEST(ConvertDates, ThisProcessUsesTheUsersSettings) {
    // The Wine prefix's profile holds all four values, so the cache shows them.
    wchar_t decimal[2] = L"", time[2] = L"", date[80] = L"";
    ::GetProfileStringW(L"intl", L"sDecimal", L"", decimal, 2);
    ASSERT_TRUE(::GetProfileStringW(L"intl", L"sTime", L"", time, 2));
    EXPECT_EQ(cvtGetDecimalSeparator(), decimal[0]);
    const struct tm sample = {9, 4, 15, 14, 2, 107, 3, 0, 0}; // Wednesday 14 March 2007 15:04:09
    const SYSTEMTIME st = {2007, 3, 3, 14, 0, 0, 0, 0};
    const std::wstring clock = std::wstring(L"15") + time + L"04";
    ::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, date, 80);
    EXPECT_EQ(Format(sample, CVT_DT_SHORTDATE), date + (L", " + clock));
    ::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_LONGDATE, &st, nullptr, date, 80);
    EXPECT_EQ(Format(sample, CVT_DT_LONGDATE | CVT_DT_SHORTDATE | CVT_DT_NOTIME), date);

    // Day 0 gives nothing; years are cut or padded; a month the platform rejects has no date.
    struct tm odd = sample;
    odd.tm_mday = 0;
    for (unsigned flags : {0x00u, 0x04u, 0x10u, 0x20u})
        EXPECT_EQ(Format(odd, flags), L"");
    odd = sample;
    odd.tm_year = 999 - 1900;
    EXPECT_NE(Format(odd, CVT_DT_FULLYEAR | CVT_DT_NOTIME).find(L"0999"), std::wstring::npos);
    odd.tm_year = 2105 - 1900;
    const std::wstring twoDigits = Format(odd, CVT_DT_NOTIME);
    EXPECT_EQ(twoDigits.size(), 8u) << tutest::Narrow(twoDigits);
    EXPECT_NE(twoDigits.find(L"05"), std::wstring::npos);
    odd.tm_mon = 12;
    EXPECT_EQ(Format(odd, CVT_DT_SHORTDATE), L", " + clock);
}

// What a fresh host process shows with the given regional values, by key.
std::map<std::string, std::string> RunWithSettings(const std::wstring& settings) {
    auto result = tutest::RunHostInFreshFolder(L"loaderHost.exe", {L"tarnUtil.dll", L"BaseKit.dll"},
                                               {}, L"text " + settings);
    EXPECT_EQ(result.exitCode, 0u) << result.output;
    std::map<std::string, std::string> shown;
    std::istringstream lines(result.output);
    for (std::string line; std::getline(lines, line);)
        if (const size_t eq = line.find('='); eq != std::string::npos)
            shown[line.substr(0, eq)] = line.substr(eq + 1, line.find_last_not_of('\r') - eq);
    return shown;
}

TEST(ConvertDates, ChosenSettingsInFreshProcesses) {
    auto locale = [](LCTYPE item) {
        wchar_t value[8] = L"";
        ::GetLocaleInfoW(LOCALE_USER_DEFAULT, item, value, 8);
        return tutest::Narrow(std::wstring(value, 1));
    };
    const std::string d = locale(LOCALE_SDATE);
    // Rows: settings, decimal and time separators, dates with short and full years.
    const std::tuple<const wchar_t*, std::string, std::string, std::string, std::string> rows[] = {
        {L"sDecimal=, iDate=1 sDate=. sTime=:", ",", ":", "14.03.07", "14.03.2007"},
        {L"sDecimal=. iDate=0 sDate=/ sTime=:", ".", ":", "03/14/07", "03/14/2007"},
        // Longer values are cut to their first character.
        {L"sDecimal=;; iDate=2 sDate=-/ sTime=.h", ";", ".", "07-03-14", "2007-03-14"},
        // An unknown date order is month-day-year.
        {L"sDecimal=. iDate=5 sDate=. sTime=:", ".", ":", "03.14.07", "03.14.2007"},
        // Missing values come from the user's locale.
        {L"iDate=1", locale(LOCALE_SDECIMAL), locale(LOCALE_STIME), "14" + d + "03" + d + "07",
         "14" + d + "03" + d + "2007"},
    };
    for (const auto& [settings, decimal, timeSeparator, shortYear, fullYear] : rows) {
        SCOPED_TRACE(tutest::Narrow(settings));
        auto shown = RunWithSettings(settings);
        EXPECT_EQ(shown["decimal"], decimal);
        EXPECT_EQ(shown["time"], "0" + timeSeparator + "07" + timeSeparator + "00");
        // Flags 0x00 to 0x0F: four-digit year, no time, no date, seconds.
        for (unsigned flags = 0; flags < 16; ++flags) {
            const std::string date = flags & 4 ? "" : flags & 1 ? fullYear : shortYear;
            const std::string seconds = flags & 8 ? timeSeparator + "09" : "";
            const std::string time = flags & 2 ? "" : "15" + timeSeparator + "04" + seconds;
            char key[8];
            std::snprintf(key, sizeof key, "0x%02X", flags);
            EXPECT_EQ(shown[key], date + (date.empty() || time.empty() ? "" : ", ") + time) << key;
        }
    }
}

} // namespace
