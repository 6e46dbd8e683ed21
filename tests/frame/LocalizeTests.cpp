// Language-aware resource loading against a real module with resources in several languages:
// the language order of strings, dialogs and data, buffers, thread languages, code pages and
// the out-of-memory box.
#include "tuLocal.h"

#include "LocalizeTestSupport.h"
#include "MessageBoxSpy.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>

namespace {

constexpr UINT kGerman = 1031, kEnglish = 1033, kFrench = 1036, kItalian = 1040;

class Localized : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_module = ::LoadLibraryW((tutest::BinDir() + L"\\lclStrings.dll").c_str());
    }
    static void TearDownTestSuite() { ::FreeLibrary(s_module); }
    void SetUp() override { ASSERT_NE(s_module, nullptr); }

    static HMODULE s_module;
};
HMODULE Localized::s_module;

// The strings of the module: each language holds its own; ids 2 and 3 only English, id 16
// only French, id 32 only German, 4 and 33 nowhere.
TEST_F(Localized, StringsComeInTheRequestedLanguageThenEnglishThenAnyLanguage) {
    struct Row {
        UINT language;
        BOOL fallback;
        UINT id;
        const wchar_t* expected;
    } rows[] = {
        {kGerman, TRUE, 1, L"Datei"},
        {kFrench, TRUE, 1, L"Fichier"},
        {kItalian, TRUE, 1, L"File"},                // no Italian block: English
        {kItalian, FALSE, 1, L""},                   // no fallback: nothing, though English exists
        {kGerman, TRUE, 2, L"Edit"},                 // German block lacks it: English retry
        {kFrench, TRUE, 3, L"Only English"},         // likewise from the French block
        {kGerman, FALSE, 2, L""},                    // no retry without fallback
        {kGerman, TRUE, 4, L""},                     // in no language
        {kGerman, TRUE, 16, L"Seulement français"},  // neither German nor English: the platform's
        {kEnglish, TRUE, 16, L"Seulement français"}, // choice among what is there
        {kEnglish, FALSE, 16, L""},
        {kFrench, TRUE, 32, L"Nur Deutsch"},
        {kFrench, TRUE, 33, L""}, // a German-only block without the string
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "language " << row.language << " fallback "
                                        << row.fallback << " id " << row.id);
        tutest::FilledBuffer buffer(64);
        int copied =
            lclLoadStringW(s_module, row.id, buffer.Data(), 64, row.language, row.fallback);
        EXPECT_EQ(std::wstring(buffer.Data()), row.expected);
        EXPECT_EQ(copied, static_cast<int>(wcslen(row.expected)));
        EXPECT_TRUE(buffer.UntouchedFrom(wcslen(row.expected) + 1));
    }
}

TEST_F(Localized, StringsAreCutToTheBufferAndAlwaysTerminated) {
    struct Row {
        UINT id;
        UINT language;
        UINT size;
        int expected;
    } rows[] = {
        // "File": large, exact, one too small, down to one character
        {1, kEnglish, 64, 4},     {1, kEnglish, 5, 4}, {1, kEnglish, 4, 3},
        {1, kEnglish, 2, 1},      {1, kEnglish, 1, 0}, {48, kEnglish, 301, 300},
        {48, kEnglish, 300, 299}, {2, kGerman, 3, 2}, // the English retry is cut as well
        {2, kGerman, 1, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "id " << row.id << " size " << row.size);
        tutest::FilledBuffer buffer(row.size + 8);
        int copied = lclLoadStringW(s_module, row.id, buffer.Data(), row.size, row.language, TRUE);
        EXPECT_EQ(copied, row.expected);
        EXPECT_EQ(wcslen(buffer.Data()), static_cast<size_t>(row.expected));
        EXPECT_TRUE(buffer.UntouchedFrom(row.expected + 1));
    }
}

TEST_F(Localized, NoBufferIsAnInvalidParameter) {
    tutest::FilledBuffer buffer(8);
    ::SetLastError(0xdeadbeef);
    EXPECT_EQ(lclLoadStringW(s_module, 1, buffer.Data(), 0, kEnglish, TRUE), 0);
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(buffer.UntouchedFrom(0));
    ::SetLastError(0xdeadbeef);
    EXPECT_EQ(lclLoadString(s_module, 1, static_cast<LPWSTR>(nullptr), 16, kEnglish, TRUE), 0);
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(Localized, IdsBeyondTheLastBlockFindNothing) {
    tutest::FilledBuffer buffer(8);
    EXPECT_EQ(lclLoadStringW(s_module, 0xFFFFFu, buffer.Data(), 8, kEnglish, TRUE), 0);
    EXPECT_EQ(lclLoadStringW(s_module, 0xFFFFFFFFu, buffer.Data(), 8, kEnglish, TRUE), 0);
    EXPECT_EQ(buffer.Data()[0], L'\0');
}

TEST_F(Localized, StringFormLoadsAtMost1023Characters) {
    CString text(L"old");
    EXPECT_EQ(lclLoadString(s_module, 49, text, kEnglish, TRUE), 1023);
    ASSERT_EQ(text.GetLength(), 1023);
    EXPECT_EQ(text.Left(12), L"abcdefghijab");
    EXPECT_EQ(lclLoadString(s_module, 2, text, kGerman, TRUE), 4);
    EXPECT_EQ(text, L"Edit");
    EXPECT_EQ(lclLoadString(s_module, 4, text, kGerman, TRUE), 0);
    EXPECT_TRUE(text.IsEmpty());
}

// Dialog 100 exists in German and English, 200 only in French; the width names the language.
TEST_F(Localized, DialogsFollowTheSameLanguageOrder) {
    struct Row {
        UINT id;
        UINT language;
        BOOL fallback;
        short width; // 0: not found
    } rows[] = {
        {100, kGerman, TRUE, 7},   {100, kEnglish, FALSE, 9}, {100, kItalian, TRUE, 9},
        {100, kItalian, FALSE, 0}, {200, kGerman, TRUE, 12},  {200, kEnglish, TRUE, 12},
        {200, kEnglish, FALSE, 0}, {300, kEnglish, TRUE, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "dialog " << row.id << " language " << row.language
                                        << " fallback " << row.fallback);
        DLGTEMPLATE* dialog = lclLoadDlgTemplate(s_module, row.id, row.language, row.fallback);
        HRSRC found =
            lclFindDlgResource(s_module, MAKEINTRESOURCEW(row.id), row.language, row.fallback);
        EXPECT_EQ(found != nullptr, row.width != 0);
        if (row.width == 0) {
            EXPECT_EQ(dialog, nullptr);
            continue;
        }
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->cx, row.width);
    }
}

TEST_F(Localized, CustomResourcesAreCopiedForTheCaller) {
    struct Row {
        UINT id;
        UINT language;
        BOOL fallback;
        const char* expected; // null: not found
    } rows[] = {
        {1, kGerman, TRUE, "de-DE"},  {1, kItalian, TRUE, "en-US"}, {1, kItalian, FALSE, nullptr},
        {2, kGerman, TRUE, "fr-FR"},  {2, kGerman, FALSE, nullptr}, {3, kEnglish, TRUE, nullptr},
        {9, kEnglish, TRUE, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "resource " << row.id << " language " << row.language
                                        << " fallback " << row.fallback);
        DWORD size = 0xdeadbeef;
        void* data =
            lclLoadCustomResource(s_module, row.id, L"TARNDATA", &size, row.language, row.fallback);
        if (!row.expected) {
            EXPECT_EQ(data, nullptr);
            continue;
        }
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(std::string(static_cast<char*>(data), size), row.expected);
        std::free(data);
    }
    EXPECT_EQ(lclLoadCustomResource(s_module, 1, L"TARNDATA", nullptr, kEnglish, TRUE), nullptr);
}

TEST_F(Localized, UserInputLanguageIsWhatMinusOneMeans) {
    tutest::UserInputLanguage german(kGerman);
    wchar_t text[32];
    EXPECT_EQ(lclLoadStringW(s_module, 1, text, 32, LCL_USER_INPUT_LANG, TRUE), 5);
    EXPECT_STREQ(text, L"Datei");
    DLGTEMPLATE* dialog = lclLoadDlgTemplate(s_module, 100, LCL_USER_INPUT_LANG, FALSE);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->cx, 7);
    DWORD size = 0;
    void* data = lclLoadCustomResource(s_module, 1, L"TARNDATA", &size, LCL_USER_INPUT_LANG, FALSE);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::string(static_cast<char*>(data), size), "de-DE");
    std::free(data);
}

TEST(ThreadLanguage, AWorkerChangesOnlyItsOwnLocale) {
    const WORD mainLanguage = lclGetThreadLangID();
    BOOL set = FALSE;
    WORD workerLanguage = 0, seenUserInput = 0;
    std::thread worker([&] {
        set = lclSetThreadLangID(1036);
        workerLanguage = lclGetThreadLangID();
        seenUserInput = lclGetUserInputThreadLangID();
    });
    worker.join();
    EXPECT_TRUE(set);
    EXPECT_EQ(workerLanguage, 1036);
    EXPECT_EQ(seenUserInput, 1033);
    EXPECT_EQ(lclGetUserInputThreadLangID(), 1033);
    EXPECT_EQ(lclGetThreadLangID(), mainLanguage);
}

TEST(ThreadLanguage, TheUserInputThreadSetsTheUserInputLanguage) {
    {
        tutest::UserInputLanguage french(1036);
        EXPECT_EQ(lclGetUserInputThreadLangID(), 1036);
        EXPECT_EQ(lclGetThreadLangID(), 1036);
        EXPECT_EQ(::GetThreadLocale(), MAKELCID(1036, SORT_DEFAULT));
        WORD seenByWorker = 0;
        std::thread([&] { seenByWorker = lclGetUserInputThreadLangID(); }).join();
        EXPECT_EQ(seenByWorker, 1036);
    }
    EXPECT_EQ(lclGetUserInputThreadLangID(), 1033);
}

TEST(CodePages, FollowTheLanguage) {
    struct Row {
        UINT language;
        UINT codePage;
    } rows[] = {{1041, 932},  {2052, 936},  {4100, 936}, {1028, 1252},
                {1042, 1252}, {1033, 1252}, {0, 1252}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.language);
        EXPECT_EQ(lclGetCPofIdMs(row.language), row.codePage);
    }
}

TEST(OutOfMemoryBox, SpeaksTheUserInputLanguageOrEnglish) {
    struct Row {
        WORD language;
        const wchar_t* text;
    } rows[] = {
        {1031, L"Kein Speicherplatz mehr zur Verfügung"},
        {1033, L"Insufficient memory"},
        {1036, L"Mémoire insuffisante"},
        {1041, L"\xFF92\xFF93\xFF98\x304C\x4E0D\x8DB3\x3057\x3066\x3044\x307E\x3059\xFF61"},
        {2052, L"\x5185\x5B58\x4E0D\x8DB3\x3002"},
        {1040, L"Insufficient memory"}, // Italian has no text of its own
        {2055, L"Insufficient memory"}, // nor German (Switzerland): the exact language counts
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
