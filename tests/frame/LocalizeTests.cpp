// Language-aware resource loading against a real module with resources in several languages:
// the language order of strings, dialogs and data, buffers, thread languages, code pages and
// the out-of-memory box.
#include "tuLocal.h"

#include "common/LanguageIds.h"

#include "LocalizeTestSupport.h"
#include "MessageBoxSpy.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr UINT kGerman = tu::kLangGerman, kEnglish = tu::kLangEnglishUS;
constexpr WORD kFrench = MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH),
               kItalian = MAKELANGID(LANG_ITALIAN, SUBLANG_ITALIAN);
constexpr UINT kUserInput = LCL_USER_INPUT_LANG; // set to German for the row

class Localized : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(m_module, nullptr); }
    const HMODULE m_module = tutest::LocalizedModule();
};

// Each language holds its own string 1; ids 2 and 3 only English, id 16 only French, id 32
// only German, 4 and 33 nowhere.
TEST_F(Localized, StringsComeInTheRequestedLanguageThenEnglishThenAnyLanguage) {
    struct Row {
        UINT language;
        BOOL fallback;
        UINT id;
        const wchar_t* expected;
    } rows[] = {
        {kFrench, TRUE, 1, L"Fichier"},
        {kUserInput, TRUE, 1, L"Datei"},
        {kItalian, TRUE, 1, L"File"},               // no Italian block: English
        {kItalian, FALSE, 1, L""},                  // no fallback: nothing, though English exists
        {kGerman, TRUE, 2, L"Edit"},                // German block lacks it: English retry
        {kGerman, TRUE, 4, L""},                    // in no language
        {kGerman, TRUE, 16, L"Seulement français"}, // neither German nor English: the platform's
        {kEnglish, FALSE, 16, L""},                 // choice among what is there
        {kFrench, TRUE, 32, L"Nur Deutsch"},
        {kFrench, TRUE, 33, L""}, // a German-only block without the string
        {kEnglish, TRUE, 0xFFFFF, L""},
        {kEnglish, TRUE, 0xFFFFFFFF, L""}, // beyond the last block
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message()
                     << row.language << " fallback " << row.fallback << " id " << row.id);
        tutest::UserInputLanguage german(row.language == kUserInput ? kGerman : kEnglish);
        tutest::GuardedBuffer buffer(64);
        int copied =
            lclLoadStringW(m_module, row.id, buffer.Data(), 64, row.language, row.fallback);
        EXPECT_EQ(std::wstring(buffer.Data()), row.expected);
        EXPECT_EQ(copied, static_cast<int>(wcslen(row.expected)));
        EXPECT_TRUE(buffer.UntouchedFrom(wcslen(row.expected) + 1));
    }
}

TEST_F(Localized, StringsAreCutToTheBufferAndAlwaysTerminated) {
    struct Row {
        UINT id, language, size;
        int expected;
    } rows[] = {
        {1, kEnglish, 5, 4},      {1, kEnglish, 4, 3},      {1, kEnglish, 1, 0}, // "File"
        {48, kEnglish, 301, 300}, {48, kEnglish, 300, 299}, {2, kGerman, 3, 2},
        {2, kGerman, 1, 0}, // the English retry is cut as well
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "id " << row.id << " size " << row.size);
        tutest::GuardedBuffer buffer(row.size + 8);
        int copied = lclLoadStringW(m_module, row.id, buffer.Data(), row.size, row.language, TRUE);
        EXPECT_EQ(copied, row.expected);
        EXPECT_EQ(wcslen(buffer.Data()), static_cast<size_t>(row.expected));
        EXPECT_TRUE(buffer.UntouchedFrom(row.expected + 1));
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
// data 1 in German and English, 2 only in French, 3 and 9 nowhere.
TEST_F(Localized, DialogsAndDataFollowTheSameLanguageOrder) {
    struct Row {
        UINT language;
        BOOL fallback;
        UINT dialog;
        short width; // 0: not found
        UINT data;
        const char* expected; // null: not found
    } rows[] = {
        {kUserInput, FALSE, 100, 7, 1, "de-DE"}, {kEnglish, FALSE, 100, 9, 3, nullptr},
        {kItalian, TRUE, 100, 9, 1, "en-US"},    {kItalian, FALSE, 100, 0, 1, nullptr},
        {kGerman, TRUE, 200, 12, 2, "fr-FR"},    {kGerman, FALSE, 200, 0, 2, nullptr},
        {kEnglish, TRUE, 300, 0, 9, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.language << " fallback " << row.fallback
                                        << " dialog " << row.dialog << " data " << row.data);
        tutest::UserInputLanguage german(row.language == kUserInput ? kGerman : kEnglish);
        DLGTEMPLATE* dialog = lclLoadDlgTemplate(m_module, row.dialog, row.language, row.fallback);
        EXPECT_EQ(lclFindDlgResource(m_module, MAKEINTRESOURCEW(row.dialog), row.language,
                                     row.fallback) != nullptr,
                  row.width != 0);
        EXPECT_EQ(dialog ? dialog->cx : 0, row.width);
        DWORD size = 0xdeadbeef;
        void* data = lclLoadCustomResource(m_module, row.data, L"TARNDATA", &size, row.language,
                                           row.fallback);
        EXPECT_EQ(data ? std::string(static_cast<char*>(data), size) : "(none)",
                  row.expected ? row.expected : "(none)");
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
        EXPECT_EQ(::GetThreadLocale(), MAKELCID(kFrench, SORT_DEFAULT));
        std::thread([&] { seen = {lclGetUserInputThreadLangID()}; }).join();
        EXPECT_EQ(seen, std::vector<WORD>{kFrench});
    }
    EXPECT_EQ(lclGetUserInputThreadLangID(), kEnglish);
}

TEST(CodePages, FollowTheLanguage) {
    const UINT rows[][2] = {{1041, 932}, {2052, 936}, {4100, 936}, {1028, 1252}, {0, 1252}};
    for (const auto& row : rows)
        EXPECT_EQ(lclGetCPofIdMs(row[0]), row[1]) << row[0];
}

TEST(OutOfMemoryBox, SpeaksTheUserInputLanguageOrEnglish) {
    struct Row {
        WORD language;
        const wchar_t* text;
    } rows[] = {
        {kGerman, L"Kein Speicherplatz mehr zur Verfügung"},
        {kFrench, L"Mémoire insuffisante"},
        {1041, L"\xFF92\xFF93\xFF98\x304C\x4E0D\x8DB3\x3057\x3066\x3044\x307E\x3059\xFF61"},
        {kItalian, L"Insufficient memory"}, // Italian has no text of its own
        {2055, L"Insufficient memory"},     // nor German (Switzerland): the exact language counts
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.language);
        tutest::UserInputLanguage language(row.language);
        tutest::MessageBoxSpy spy;
        errOutOfMemMsgBox();
        ASSERT_EQ(spy.Boxes().size(), 1u);
        EXPECT_EQ(spy.Boxes()[0].text, row.text);
        EXPECT_EQ(spy.Boxes()[0].caption, L"frameTests");
        EXPECT_EQ(spy.Boxes()[0].icon, ::LoadIconW(nullptr, IDI_HAND));
    }
}

} // namespace
