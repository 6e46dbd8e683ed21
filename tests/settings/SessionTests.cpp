// Program environment: the executable's name, the application strings with and without the
// executable's own table, and the server flag.
#include "tuSettings.h"

#include "SettingsTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Program, NameIsTheExecutablesBaseName) {
    EXPECT_STREQ(ssnGetExeName(), L"settingsTests");
    EXPECT_EQ(ssnGetExeName(), ssnGetExeName()); // computed once, then the same text
}

TEST(Program, LibraryAnswersForAnExecutableWithoutStrings) {
    struct Row {
        unsigned int id;
        const wchar_t* expected;
    } rows[] = {{0, L"Korvo 1.3"}, {1, L"Korvo"}, {3, L"Korvo.ini"},     {4, L""},
                {5, nullptr},      {7, nullptr},  {0xFFFFFFFFu, nullptr}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.id);
        const wchar_t* text = ssnGetExeString(row.id);
        if (!row.expected)
            EXPECT_EQ(text, nullptr);
        else
            EXPECT_STREQ(text, row.expected);
    }
    const wchar_t* licence = ssnGetExeString(2);
    ASSERT_NE(licence, nullptr);
    EXPECT_GT(wcslen(licence), 0u);
}

TEST(Program, ExecutablesOwnStringsAreHandedThroughUnchanged) {
    auto own = tutest::RunSettingsHost(L"stringsHost.exe", "");
    EXPECT_EQ(own["exeName"], "stringsHost");
    EXPECT_EQ(own["string1"], "Host product");
    EXPECT_EQ(own["string7"], "Host string seven");
    auto fallback = tutest::RunSettingsHost(L"settingsHost.exe", "");
    EXPECT_EQ(fallback["string1"], "Korvo");
    EXPECT_EQ(fallback["string7"], "(null)");
}

TEST(Program, ServerFlagIsFalseUntilSet) {
    EXPECT_FALSE(ssnIsServer());
    for (int value : {5, 0, -1, 1}) {
        SCOPED_TRACE(value);
        ssnSetIsServer(value);
        EXPECT_EQ(ssnIsServer(), value != 0);
    }
    ssnSetIsServer(0);
}

} // namespace
