// Program environment in this process: the executable's name, the library's answers for an
// executable without strings of its own, and the server flag.
#include "tuSettings.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Program, NameAndStringsAnsweredByTheLibrary) {
    EXPECT_STREQ(ssnGetExeName(), L"settingsTests");
    EXPECT_EQ(ssnGetExeName(), ssnGetExeName()); // computed once, then the same text
    const struct {
        unsigned int id;
        const wchar_t* expected; // null: no string
    } rows[] = {
        {0, L"Korvo 1.3"}, {3, L"Korvo.ini"}, {4, L""}, {5, nullptr}, {0xFFFFFFFFu, nullptr}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.id);
        const wchar_t* text = ssnGetExeString(row.id);
        EXPECT_EQ(std::wstring(text ? text : L"(null)"), row.expected ? row.expected : L"(null)");
    }
    const wchar_t* licence = ssnGetExeString(2);
    ASSERT_NE(licence, nullptr);
    EXPECT_GT(wcslen(licence), 0u);
}

TEST(Program, ServerFlagIsFalseUntilSet) {
    EXPECT_FALSE(ssnIsServer());
    ssnSetIsServer(-1);
    EXPECT_TRUE(ssnIsServer());
    ssnSetIsServer(0);
    EXPECT_FALSE(ssnIsServer());
}

} // namespace
