// Positional formatting: pieces reordered by number, escapes, cutting, the large-text
// fallback and the limits that make a call fail without touching the output.
#include "tuLocal.h"

#include "LocalizeTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(PositionalFormat, InsertsPiecesByNumber) {
    struct Row {
        const wchar_t* templ;
        const wchar_t* expected;
    } rows[] = {
        {L"%2 of %1", L"7 of image"},    {L"%1%1%2", L"imageimage7"},
        {L"100%% sure", L"100% sure"},   {L"%a", L"a"},
        {L"%0 and %3", L"0 and "}, // %0 is no insert; piece 3 does not exist
        {L"ends with %", L"ends with "}, {L"", L""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(tutest::Narrow(row.templ));
        tutest::FilledBuffer output(64);
        int length = lclFormatString(output.Data(), 64, row.templ, L"%s%d", L"image", 7);
        EXPECT_EQ(std::wstring(output.Data()), row.expected);
        EXPECT_EQ(length, static_cast<int>(wcslen(row.expected)));
        EXPECT_TRUE(output.UntouchedFrom(wcslen(row.expected) + 1));
    }
}

TEST(PositionalFormat, LiteralTextJoinsThePieceBeforeIt) {
    wchar_t output[64];
    EXPECT_GT(lclFormatString(output, 64, L"[%2][%1]", L"%d, %s!", 5, L"five"), 0);
    EXPECT_STREQ(output, L"[five!][5, ]");
}

TEST(PositionalFormat, NumbersOfSeveralDigitsSelectTheirPiece) {
    wchar_t output[64];
    lclFormatString(output, 64, L"%12-%1", L"%d%d%d%d%d%d%d%d%d%d%d%d", 1, 2, 3, 4, 5, 6, 7, 8, 9,
                    10, 11, 12);
    EXPECT_STREQ(output, L"12-1");
}

TEST(PositionalFormat, MarkerInAnArgumentSplitsItsPiece) {
    wchar_t output[64];
    lclFormatString(output, 64, L"%1|%2|%3", L"%s%s", L"left\x0001right", L"next");
    EXPECT_STREQ(output, L"left|right|next");
}

TEST(PositionalFormat, CutsInsertsAndTextAtTheOutputsEnd) {
    struct Row {
        const wchar_t* templ;
        UINT size;
        const wchar_t* expected;
    } rows[] = {
        {L"%1", 6, L"abcde"},        {L"%1", 2, L"a"},         {L"xy%1", 4, L"xya"},
        {L"%1%1", 10, L"abcdefgha"}, {L"12345678", 4, L"123"}, {L"%1", 9, L"abcdefgh"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << tutest::Narrow(row.templ) << " size " << row.size);
        tutest::FilledBuffer output(row.size + 8);
        int length = lclFormatString(output.Data(), row.size, row.templ, L"%s", L"abcdefgh");
        EXPECT_EQ(std::wstring(output.Data()), row.expected);
        EXPECT_EQ(length, static_cast<int>(wcslen(row.expected)));
        EXPECT_TRUE(output.UntouchedFrom(row.size));
    }
}

TEST(PositionalFormat, LongArgumentsUseTheLargeBufferUpTo4095Characters) {
    // The formatted text is the argument between two markers: up to 1,023 characters fit the
    // first buffer, up to 4,095 the large one.
    struct Row {
        size_t length;
        bool fits;
    } rows[] = {{1021, true}, {1022, true},  {2000, true},
                {4093, true}, {4094, false}, {10000, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.length);
        std::wstring argument(row.length, L'x');
        std::wstring output(5000, L'#');
        int length = lclFormatString(&output[0], 5000, L"<%1>", L"%s", argument.c_str());
        if (!row.fits) {
            EXPECT_EQ(length, 0);
            EXPECT_EQ(output, std::wstring(5000, L'#'));
            continue;
        }
        EXPECT_EQ(length, static_cast<int>(row.length + 2));
        EXPECT_EQ(output.substr(0, length + 1), L"<" + argument + L">" + L'\0');
    }
}

TEST(PositionalFormat, BadArgumentsLeaveTheOutputUntouched) {
    // Marked, "%s" takes three characters, the end marker and the terminator one each: 256.
    std::wstring fittingFormat = L"%s" + std::wstring(251, L'x');
    std::wstring longFormat = fittingFormat + L"x";
    struct Row {
        const char* name;
        bool useOutput;
        UINT size;
        const wchar_t* templ;
        const wchar_t* argFormat;
        bool succeeds;
    } rows[] = {
        {"no output", false, 16, L"t", L"%s", false},
        {"size 0", true, 0, L"t", L"%s", false},
        {"size 1", true, 1, L"t", L"%s", false},
        {"no template", true, 16, nullptr, L"%s", false},
        {"no format", true, 16, L"t", nullptr, false},
        {"format too long", true, 16, L"t", longFormat.c_str(), false},
        {"format just fits", true, 16, L"t", fittingFormat.c_str(), true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        tutest::FilledBuffer output(16);
        int length = lclFormatString(row.useOutput ? output.Data() : nullptr, row.size, row.templ,
                                     row.argFormat, L"arg");
        EXPECT_EQ(length, row.succeeds ? 1 : 0);
        if (!row.succeeds) {
            EXPECT_TRUE(output.UntouchedFrom(0));
        }
    }
}

TEST(PositionalFormat, TemplateIdIsLoadedInTheUserInputLanguage) {
    HMODULE module = ::LoadLibraryW((tutest::BinDir() + L"\\lclStrings.dll").c_str());
    ASSERT_NE(module, nullptr);
    wchar_t output[32] = L"untouched";
    EXPECT_EQ(lclFormatString(output, 32, module, 4u, L"%s", L"x"), 0); // no string 4
    EXPECT_STREQ(output, L"untouched");
    {
        tutest::UserInputLanguage german(1031);
        EXPECT_EQ(lclFormatString(output, 32, module, 1u, L"%s", L"x"), 5);
        EXPECT_STREQ(output, L"Datei");
        EXPECT_EQ(lclFormatString(output, 32, module, 2u, L"%s", L"x"), 4); // English retry
        EXPECT_STREQ(output, L"Edit");
    }
    ::FreeLibrary(module);
}

} // namespace
