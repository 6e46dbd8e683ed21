// Language-aware loading from a module with resources in several languages, thread languages,
// code pages, the out-of-memory box, and positional formatting with its cuts and limits.
#include "tuLocal.h"

#include "common/LanguageIds.h"

#include "LocalizeTestSupport.h"
#include "MessageBoxSpy.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace {

constexpr UINT kGerman = tu::kLangGerman, kEnglish = tu::kLangEnglishUS;
constexpr WORD kFrench = MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH),
               kItalian = MAKELANGID(LANG_ITALIAN, SUBLANG_ITALIAN);
constexpr UINT kUserInput = LCL_USER_INPUT_LANG; // set to German for the row

// The module with strings, dialogs and data in several languages.
struct Localized : ::testing::Test {
    void SetUp() override { ASSERT_NE(m_module, nullptr); }
    const HMODULE m_module = ::LoadLibraryW((tutest::BinDir() + L"\\lclStrings.dll").c_str());
};

// Each language holds its own string 1; ids 2, 3 and 48 (300 digits) only English, id 16 only
// French, id 32 only German, 4 and 33 nowhere.
TEST_F(Localized, StringsComeInTheLanguageOrderCutToTheBufferAndTerminated) {
    std::wstring digits;
    for (int i = 0; i < 30; ++i)
        digits += L"0123456789";
    // Rows: language, fallback, string id, buffer size, text.
    const std::tuple<UINT, BOOL, UINT, UINT, std::wstring> rows[] = {
        {kFrench, TRUE, 1, 64, L"Fichier"},
        {kUserInput, TRUE, 1, 64, L"Datei"},
        {kItalian, TRUE, 1, 64, L"File"}, // no Italian block: English
        {kItalian, FALSE, 1, 64, L""},    // no fallback: nothing, though English exists
        {kGerman, TRUE, 2, 64, L"Edit"},  // German block lacks it: English retry
        {kGerman, TRUE, 4, 64, L""},      // in no language
        {kGerman, TRUE, 16, 64, L"Seulement français"}, // neither German nor English: the
        {kEnglish, FALSE, 16, 64, L""},                 // platform's choice among what is there
        {kFrench, TRUE, 33, 64, L""},                   // a German-only block without the string
        {kEnglish, TRUE, 0xFFFFFFFF, 64, L""},          // beyond the last block
        {kEnglish, TRUE, 1, 1, L""},
        {kEnglish, TRUE, 48, 301, digits},
        {kEnglish, TRUE, 48, 300, digits.substr(0, 299)},
        {kGerman, TRUE, 2, 3, L"Ed"}, // the English retry is cut as well
    };
    for (const auto& [language, fallback, id, size, expected] : rows) {
        SCOPED_TRACE(testing::Message() << language << " " << fallback << " " << id << " " << size);
        tutest::UserInputLanguage german(language == kUserInput ? kGerman : kEnglish);
        tutest::GuardedBuffer buffer(size + 8);
        EXPECT_EQ(lclLoadStringW(m_module, id, buffer.Data(), size, language, fallback),
                  static_cast<int>(expected.size()));
        EXPECT_EQ(std::wstring(buffer.Data()), expected);
        EXPECT_TRUE(buffer.UntouchedFrom(expected.size() + 1));
    }
    // No buffer is an invalid parameter.
    tutest::GuardedBuffer buffer(8);
    for (LPWSTR out : {buffer.Data(), static_cast<LPWSTR>(nullptr)}) {
        ::SetLastError(0xdeadbeef);
        EXPECT_EQ(lclLoadString(m_module, 1, out, out ? 0 : 16, kEnglish, TRUE), 0);
        EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    }
    EXPECT_TRUE(buffer.UntouchedFrom(0));

    // The string form loads at most 1,023 characters and is emptied when nothing is found.
    CString text(L"old");
    EXPECT_EQ(lclLoadString(m_module, 49, text, kEnglish, TRUE), 1023);
    ASSERT_EQ(text.GetLength(), 1023);
    EXPECT_EQ(text.Left(12), L"abcdefghijab");
    EXPECT_EQ(lclLoadString(m_module, 4, text, kGerman, TRUE), 0);
    EXPECT_TRUE(text.IsEmpty());
}

// Dialog 100 exists in German and English, 200 only in French (the width names the language);
// data 1 in German and English, 2 only in French, 9 nowhere. The order itself is the strings'.
TEST_F(Localized, DialogsAndDataFollowTheSameLanguageOrder) {
    // Rows: language, fallback, dialog and its width (0: not found), data and its text.
    const std::tuple<UINT, BOOL, UINT, short, UINT, std::string> rows[] = {
        {kUserInput, FALSE, 100, 7, 1, "de-DE"}, {kItalian, TRUE, 100, 9, 1, "en-US"},
        {kItalian, FALSE, 100, 0, 1, "(none)"},  {kGerman, TRUE, 200, 12, 2, "fr-FR"},
        {kEnglish, TRUE, 300, 0, 9, "(none)"},
    };
    for (const auto& [language, fallback, dialogId, width, dataId, text] : rows) {
        SCOPED_TRACE(testing::Message() << language << " " << fallback << " " << dialogId);
        tutest::UserInputLanguage german(language == kUserInput ? kGerman : kEnglish);
        DLGTEMPLATE* dialog = lclLoadDlgTemplate(m_module, dialogId, language, fallback);
        EXPECT_EQ(dialog ? dialog->cx : 0, width);
        DWORD size = 0xdeadbeef;
        void* data =
            lclLoadCustomResource(m_module, dataId, L"TARNDATA", &size, language, fallback);
        EXPECT_EQ(data ? std::string(static_cast<char*>(data), size) : "(none)", text);
        std::free(data);
    }
    EXPECT_EQ(lclLoadCustomResource(m_module, 1, L"TARNDATA", nullptr, kEnglish, TRUE), nullptr);
}

TEST(ThreadLanguage, AWorkerChangesItsOwnLocaleTheUserInputThreadEveryones) {
    const WORD mainLanguage = lclGetThreadLangID();
    std::vector<WORD> seen;
    std::thread([&] {
        seen = {WORD(lclSetThreadLangID(kFrench)), lclGetThreadLangID(),
                lclGetUserInputThreadLangID()};
    }).join();
    EXPECT_EQ(seen, (std::vector<WORD>{TRUE, kFrench, kEnglish}));
    EXPECT_EQ(lclGetUserInputThreadLangID(), kEnglish);
    EXPECT_EQ(lclGetThreadLangID(), mainLanguage);
    {
        tutest::UserInputLanguage french(kFrench);
        EXPECT_EQ(lclGetUserInputThreadLangID(), kFrench);
        EXPECT_EQ(lclGetThreadLangID(), kFrench);
        std::thread([&] { seen = {lclGetUserInputThreadLangID()}; }).join();
        EXPECT_EQ(seen, std::vector<WORD>{kFrench});
    }
}

TEST(CodePages, FollowTheLanguage) {
    const UINT rows[][2] = {{1041, 932}, {2052, 936}, {4100, 936}, {1028, 1252}, {0, 1252}};
    for (const auto& row : rows)
        EXPECT_EQ(lclGetCPofIdMs(row[0]), row[1]) << row[0];
}

TEST(OutOfMemoryBox, SpeaksTheUserInputLanguageOrEnglish) {
    // German (Switzerland) has no text of its own: the exact language counts.
    const std::pair<WORD, const wchar_t*> rows[] = {
        {kGerman, L"Kein Speicherplatz mehr zur Verfügung"}, {2055, L"Insufficient memory"}};
    for (const auto& [language, text] : rows) {
        SCOPED_TRACE(language);
        tutest::UserInputLanguage inUse(language);
        tutest::MessageBoxSpy spy;
        errOutOfMemMsgBox();
        ASSERT_EQ(spy.Boxes().size(), 1u);
        EXPECT_EQ(spy.Boxes()[0].text, text);
        EXPECT_EQ(spy.Boxes()[0].caption, L"frameTests");
        EXPECT_EQ(spy.Boxes()[0].icon, ::LoadIconW(nullptr, IDI_HAND));
    }
}

TEST(PositionalFormat, InsertsPiecesByNumberAndCutsAtTheOutputsEnd) {
    // Rows: template, output size, text.
    const std::tuple<const wchar_t*, UINT, std::wstring> rows[] = {
        {L"%2 of %1", 64, L"7 of image"},
        {L"%1%1%2", 64, L"imageimage7"},
        {L"100%% sure", 64, L"100% sure"},
        {L"%a", 64, L"a"},
        {L"%0 and %3", 64, L"0 and "}, // %0 is no insert; piece 3 does not exist
        {L"ends with %", 64, L"ends with "},
        {L"", 64, L""},
        {L"%1", 6, L"image"},
        {L"%1", 5, L"imag"},
        {L"xy%1", 4, L"xyi"},
        {L"12345678", 4, L"123"},
    };
    for (const auto& [templ, size, expected] : rows) {
        SCOPED_TRACE(testing::Message() << tutest::Narrow(templ) << " size " << size);
        tutest::GuardedBuffer output(size + 8);
        EXPECT_EQ(lclFormatString(output.Data(), size, templ, L"%s%d", L"image", 7),
                  static_cast<int>(expected.size()));
        EXPECT_EQ(std::wstring(output.Data()), expected);
        EXPECT_TRUE(output.UntouchedFrom(std::min<size_t>(size, expected.size() + 1)));
    }
    wchar_t output[64];
    // Literal text joins the piece before it; several digits select one piece; U+0001 splits a
    // piece; a first argument of 0 or nullptr is an argument, not an empty list.
    lclFormatString(output, 64, L"[%2][%1]", L"%d, %s!", 5, L"five");
    EXPECT_STREQ(output, L"[five!][5, ]");
    lclFormatString(output, 64, L"%12-%1", L"%d%d%d%d%d%d%d%d%d%d%d%d", 1, 2, 3, 4, 5, 6, 7, 8, 9,
                    10, 11, 12);
    EXPECT_STREQ(output, L"12-1");
    lclFormatString(output, 64, L"%1|%2|%3", L"%s%s", L"left\x0001right", L"next");
    EXPECT_STREQ(output, L"left|right|next");
    EXPECT_EQ(lclFormatString(output, 64, L"[%1]", L"%d", 0), 3);
    EXPECT_STREQ(output, L"[0]");
    lclFormatString(output, 64, L"[%1]", L"%s", nullptr);
    EXPECT_STREQ(output, L"[(null)]");
}

TEST(PositionalFormat, LongArgumentsUseTheLargeBufferUpTo4095Characters) {
    // Formatted, the argument gets two markers; past 4,095 characters the output stays untouched.
    for (size_t length : {1021, 1022, 4093, 4094}) {
        SCOPED_TRACE(length);
        const std::wstring argument(length, L'x');
        std::wstring output(5000, L'#');
        const bool fits = length <= 4093;
        EXPECT_EQ(lclFormatString(&output[0], 5000, L"<%1>", L"%s", argument.c_str()),
                  fits ? static_cast<int>(length + 2) : 0);
        EXPECT_EQ(output.substr(0, length + 3),
                  fits ? L"<" + argument + L">" + L'\0' : std::wstring(length + 3, L'#'));
    }
}

TEST(PositionalFormat, BadArgumentsLeaveTheOutputUntouched) {
    // Marked, "%s" takes three characters, the end marker and the terminator one each: 256.
    std::wstring fittingFormat = L"%s" + std::wstring(251, L'x');
    std::wstring longFormat = fittingFormat + L"x";
    // Rows: whether there is an output, its size, template, argument format.
    const std::tuple<bool, UINT, const wchar_t*, const wchar_t*> rows[] = {
        {false, 16, L"t", L"%s"},                // no output
        {true, 0, L"t", L"%s"},                  // no room
        {true, 1, L"t", L"%s"},                  // room for the terminator only
        {true, 16, nullptr, L"%s"},              // no template
        {true, 16, L"t", nullptr},               // no argument format
        {true, 16, L"t", longFormat.c_str()},    // an argument format too long
        {true, 16, L"t", fittingFormat.c_str()}, // one that just fits: succeeds
    };
    for (size_t row = 0; row < std::size(rows); ++row) {
        SCOPED_TRACE(row);
        const auto& [useOutput, size, templ, argFormat] = rows[row];
        const bool succeeds = argFormat == fittingFormat.c_str();
        tutest::GuardedBuffer output(16);
        EXPECT_EQ(
            lclFormatString(useOutput ? output.Data() : nullptr, size, templ, argFormat, L"arg"),
            succeeds ? 1 : 0);
        EXPECT_EQ(output.UntouchedFrom(0), !succeeds);
    }
}

TEST_F(Localized, FormatTemplateIdIsLoadedInTheUserInputLanguage) {
    wchar_t output[32] = L"untouched";
    tutest::UserInputLanguage german(kGerman);
    EXPECT_EQ(lclFormatString(output, 32, m_module, 4u, L"%s", L"x"), 0); // no string 4
    EXPECT_STREQ(output, L"untouched");
    EXPECT_EQ(lclFormatString(output, 32, m_module, 1u, L"%s", L"x"), 5);
    EXPECT_STREQ(output, L"Datei");
}

} // namespace
