// Positional formatting: pieces reordered by number, escapes, cutting, the large-text
// fallback and the limits that make a call fail without touching the output.
#include "tuLocal.h"

#include "LocalizeTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(PositionalFormat, InsertsPiecesByNumberAndCutsAtTheOutputsEnd) {
    struct Row {
        const wchar_t* templ;
        UINT size;
        const wchar_t* expected;
    } rows[] = {
        {L"%2 of %1", 64, L"7 of image"},
        {L"%1%1%2", 64, L"imageimage7"},
        {L"100%% sure", 64, L"100% sure"},
        {L"%a", 64, L"a"},
        {L"%0 and %3", 64, L"0 and "}, // %0 is no insert; piece 3 does not exist
        {L"ends with %", 64, L"ends with "},
        {L"", 64, L""},
        {L"%1", 6, L"image"},
        {L"%1", 5, L"imag"},
        {L"%1", 2, L"i"},
        {L"xy%1", 4, L"xyi"},
        {L"%1%1", 8, L"imageim"},
        {L"12345678", 4, L"123"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << tutest::Narrow(row.templ) << " size " << row.size);
        tutest::GuardedBuffer output(row.size + 8);
        int length = lclFormatString(output.Data(), row.size, row.templ, L"%s%d", L"image", 7);
        EXPECT_EQ(std::wstring(output.Data()), row.expected);
        EXPECT_EQ(length, static_cast<int>(wcslen(row.expected)));
        EXPECT_TRUE(output.UntouchedFrom(std::min<size_t>(row.size, wcslen(row.expected) + 1)));
    }
    wchar_t output[64];
    // Literal text joins the piece before it; numbers of several digits select their piece;
    // U+0001 in an argument splits its piece; a first argument written as 0, NULL or nullptr
    // is an argument, not an empty argument list.
    lclFormatString(output, 64, L"[%2][%1]", L"%d, %s!", 5, L"five");
    EXPECT_STREQ(output, L"[five!][5, ]");
    lclFormatString(output, 64, L"%12-%1", L"%d%d%d%d%d%d%d%d%d%d%d%d", 1, 2, 3, 4, 5, 6, 7, 8, 9,
                    10, 11, 12);
    EXPECT_STREQ(output, L"12-1");
    lclFormatString(output, 64, L"%1|%2|%3", L"%s%s", L"left\x0001right", L"next");
    EXPECT_STREQ(output, L"left|right|next");
    EXPECT_EQ(lclFormatString(output, 64, L"[%1]", L"%d", 0), 3);
    EXPECT_STREQ(output, L"[0]");
    lclFormatString(output, 64, L"[%2%1]", L"%d%s", NULL, L"x");
    EXPECT_STREQ(output, L"[x0]");
    lclFormatString(output, 64, L"[%1]", L"%s", nullptr);
    EXPECT_STREQ(output, L"[(null)]");
}

TEST(PositionalFormat, LongArgumentsUseTheLargeBufferUpTo4095Characters) {
    // The formatted text is the argument between two markers: up to 1,023 characters fit the
    // first buffer, up to 4,095 the large one; beyond that the output stays untouched.
    for (size_t length : {1021, 1022, 4093, 4094}) {
        SCOPED_TRACE(length);
        std::wstring argument(length, L'x');
        std::wstring output(5000, L'#');
        int written = lclFormatString(&output[0], 5000, L"<%1>", L"%s", argument.c_str());
        if (length > 4093) {
            EXPECT_EQ(written, 0);
            EXPECT_EQ(output, std::wstring(5000, L'#'));
            continue;
        }
        EXPECT_EQ(written, static_cast<int>(length + 2));
        EXPECT_EQ(output.substr(0, written + 1), L"<" + argument + L">" + L'\0');
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
        const wchar_t *templ, *argFormat;
    } rows[] = {
        {"no output", false, 16, L"t", L"%s"},
        {"size 0", true, 0, L"t", L"%s"},
        {"size 1", true, 1, L"t", L"%s"},
        {"no template", true, 16, nullptr, L"%s"},
        {"no format", true, 16, L"t", nullptr},
        {"format too long", true, 16, L"t", longFormat.c_str()},
        {"format just fits", true, 16, L"t", fittingFormat.c_str()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const bool succeeds = row.argFormat == fittingFormat.c_str();
        tutest::GuardedBuffer output(16);
        EXPECT_EQ(lclFormatString(row.useOutput ? output.Data() : nullptr, row.size, row.templ,
                                  row.argFormat, L"arg"),
                  succeeds ? 1 : 0);
        EXPECT_EQ(output.UntouchedFrom(0), !succeeds);
    }
}

TEST(PositionalFormat, TemplateIdIsLoadedInTheUserInputLanguage) {
    HMODULE module = tutest::LocalizedModule();
    ASSERT_NE(module, nullptr);
    wchar_t output[32] = L"untouched";
    tutest::UserInputLanguage german(1031);
    EXPECT_EQ(lclFormatString(output, 32, module, 4u, L"%s", L"x"), 0); // no string 4
    EXPECT_STREQ(output, L"untouched");
    EXPECT_EQ(lclFormatString(output, 32, module, 1u, L"%s", L"x"), 5);
    EXPECT_STREQ(output, L"Datei");
    EXPECT_EQ(lclFormatString(output, 32, module, 2u, L"%s", L"x"), 4); // English retry
    EXPECT_STREQ(output, L"Edit");
}

} // namespace
