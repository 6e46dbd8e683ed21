// The resource-library manager: a neutral module and its ".1fa" library copied side by side
// into a fresh folder, the lazy load, the version check, the one warning box, and lookups.
#include "tuLocal.h"

#include "LocalizeTestSupport.h"
#include "MessageBoxSpy.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring Text(const unsigned short* text) {
    return reinterpret_cast<const wchar_t*>(text);
}

// Exposes the protected steps to the tests.
class ResourceManager : public C1fa {
public:
    using C1fa::CalcDllPath;
    using C1fa::FreeResourceDLL;
    HINSTANCE LoadedLibrary() const { return m_hLangInst; }
};

// A neutral module (copied as Viewer.dll, or under another name) in a fresh folder, with or
// without a resource library beside it; loaded for the pair's lifetime.
class ModulePair {
public:
    ModulePair(const wchar_t* neutral, const wchar_t* library, const std::wstring& name = L"Viewer",
               const std::wstring& subFolder = L"") {
        m_folder = subFolder.empty() ? m_dir.Path() : m_dir / subFolder;
        ::CreateDirectoryW(m_folder.c_str(), nullptr);
        m_neutralPath = m_folder + L"\\" + name + L".dll";
        ::CopyFileW((tutest::BinDir() + L"\\" + neutral).c_str(), m_neutralPath.c_str(), FALSE);
        if (library)
            ::CopyFileW((tutest::BinDir() + L"\\" + library).c_str(),
                        (m_folder + L"\\" + name + L".1fa").c_str(), FALSE);
        m_module = ::LoadLibraryW(m_neutralPath.c_str());
    }
    ~ModulePair() { ::FreeLibrary(m_module); }
    ModulePair(const ModulePair&) = delete;
    ModulePair& operator=(const ModulePair&) = delete;

    HMODULE Module() const { return m_module; }
    std::wstring LibraryPath(const std::wstring& name = L"Viewer") const {
        return m_folder + L"\\" + name + L".1fa";
    }

private:
    tutest::TempDir m_dir;
    std::wstring m_folder;
    std::wstring m_neutralPath;
    HMODULE m_module = nullptr;
};

std::wstring EnglishWarning(const std::wstring& path) {
    return L"Cannot load resource library '" + path + L"'.";
}

TEST(ResourceLibrary, PathIsTheModulesPathWithTheExtension1fa) {
    ModulePair dotted(L"neutral_2_3.dll", nullptr, L"Viewer.v2");
    ASSERT_NE(dotted.Module(), nullptr);
    ResourceManager manager;
    manager.Init(dotted.Module());
    EXPECT_EQ(std::wstring(manager.CalcDllPath()), dotted.LibraryPath(L"Viewer.v2"));

    // Loaded under a name without any dot (the trailing dot keeps the loader from adding
    // ".dll"), the whole path gets the extension.
    tutest::TempDir dir;
    dir.CopyModule(L"neutral_2_3.dll", L"Viewer");
    HMODULE bare = ::LoadLibraryW((dir / L"Viewer.").c_str());
    ASSERT_NE(bare, nullptr);
    ResourceManager bareManager;
    bareManager.Init(bare);
    std::wstring expected = dir / L"Viewer.1fa";
    if (expected.find(L'.') == expected.size() - 4) { // no other dot in the folder names
        EXPECT_EQ(std::wstring(bareManager.CalcDllPath()), expected);
    }
    ::FreeLibrary(bare);
}

TEST(ResourceLibrary, LoadsOnFirstNeedAndFreesOnDestruction) {
    ModulePair pair(L"neutral_2_3.dll", L"res_2_3_9_77.1fa");
    ASSERT_NE(pair.Module(), nullptr);
    tutest::MessageBoxSpy spy;
    {
        ResourceManager manager;
        EXPECT_EQ(manager.Init(pair.Module()), 1);
        EXPECT_EQ(manager.GetNeutInst(), pair.Module());
        EXPECT_EQ(Text(manager.LDSN(1)), L"Neutral text"); // the neutral module needs no load
        EXPECT_EQ(manager.LoadedLibrary(), nullptr);
        EXPECT_EQ(::GetModuleHandleW(pair.LibraryPath().c_str()), nullptr);

        EXPECT_EQ(Text(manager.LDS(1)), L"Open");
        ASSERT_NE(manager.LoadedLibrary(), nullptr);
        EXPECT_EQ(manager.GetLangInst(), ::GetModuleHandleW(pair.LibraryPath().c_str()));
    }
    EXPECT_EQ(::GetModuleHandleW(pair.LibraryPath().c_str()), nullptr);
    EXPECT_TRUE(spy.Boxes().empty());
}

// Every lookup that needs the resource library loads it; LDSN, GetNeutInst and FormatString
// with a template of its own do not.
TEST(ResourceLibrary, EachLookupLoadsTheLibraryFirst) {
    ModulePair pair(L"neutral_2_3.dll", L"res_2_3_9_77.1fa");
    ASSERT_NE(pair.Module(), nullptr);
    unsigned short buffer[32];
    CString text;
    wchar_t output[32];
    for (int lookup = 0; lookup < 6; ++lookup) {
        SCOPED_TRACE(lookup);
        ResourceManager manager;
        manager.Init(pair.Module());
        manager.LDSN(1);
        manager.FormatString(output, 32, L"%1", L"%s", L"own template");
        EXPECT_EQ(manager.LoadedLibrary(), nullptr);
        switch (lookup) {
        case 0:
            manager.LoadStringW(1, buffer, 32, 1033, 1);
            break;
        case 1:
            manager.LoadStringW(1, text, 1033, 1);
            break;
        case 2:
            manager.FormatString(output, 32, MAKEINTRESOURCEW(2), L"%d%s", 3, L"x");
            break;
        case 3:
            manager.LoadDlgTemplate(100, 1033, 1);
            break;
        case 4:
            manager.LoadIDFString(0, 10, buffer, 32);
            break;
        default:
            manager.LDS(1);
        }
        EXPECT_NE(manager.LoadedLibrary(), nullptr);
    }
}

TEST(ResourceLibrary, VersionMustReachTheDemandWhateverTheBuildNumbers) {
    struct Row {
        const wchar_t* neutral;
        const wchar_t* library;
        bool accepted;
    } rows[] = {
        {L"neutral_2_3.dll", L"res_2_3_0_0.1fa", true},
        {L"neutral_2_3.dll", L"res_2_3_9_77.1fa", true},
        {L"neutral_2_3.dll", L"res_2_2_65535_65535.1fa", false}, // build numbers do not help
        {L"neutral_2_4.dll", L"res_2_3_9_77.1fa", false},
        {L"neutral_none.dll", L"res_2_3_9_77.1fa", false}, // no demand: never accepted
        {L"neutral_2_3.dll", L"res_unversioned.1fa", false},
        {L"neutral_2_3.dll", nullptr, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << tutest::Narrow(row.neutral) << " with "
                                        << tutest::Narrow(row.library ? row.library : L"none"));
        ModulePair pair(row.neutral, row.library);
        ASSERT_NE(pair.Module(), nullptr);
        tutest::MessageBoxSpy spy;
        C1fa manager;
        manager.Init(pair.Module());
        EXPECT_EQ(manager.GetLangInst() != nullptr, row.accepted);
        // Refused libraries are not kept loaded.
        EXPECT_EQ(::GetModuleHandleW(pair.LibraryPath().c_str()) != nullptr, row.accepted);
        if (row.accepted) {
            EXPECT_TRUE(spy.Boxes().empty());
            continue;
        }
        ASSERT_EQ(spy.Boxes().size(), 1u);
        EXPECT_EQ(spy.Boxes()[0].text, EnglishWarning(pair.LibraryPath()));
        EXPECT_EQ(spy.Boxes()[0].caption, L"frameTests");
        EXPECT_EQ(spy.Boxes()[0].icon, ::LoadIconW(nullptr, IDI_EXCLAMATION));
    }
}

TEST(ResourceLibrary, WarnsOnceInTheUserInputLanguage) {
    struct Row {
        WORD language;
        const wchar_t* before;
        const wchar_t* after;
    } rows[] = {
        {1031, L"Die Resource-DLL '", L"' kann nicht geladen werden."},
        {2055, L"Die Resource-DLL '", L"' kann nicht geladen werden."}, // German (Switzerland)
        {1036, L"La DLL '", L"' ne peut pas être chargé."},
        {1041, L"Cannot load resource library '", L"'."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.language);
        ModulePair pair(L"neutral_2_3.dll", nullptr);
        tutest::UserInputLanguage language(row.language);
        tutest::MessageBoxSpy spy;
        C1fa manager;
        manager.Init(pair.Module());
        EXPECT_EQ(Text(manager.LDS(1)), L""); // served by the executable, which has no strings
        EXPECT_EQ(Text(manager.LDS(1)), L"");
        EXPECT_EQ(manager.GetLangInst(), nullptr);
        EXPECT_EQ(manager.LoadDlgTemplate(100, 1033, 1), nullptr);
        ASSERT_EQ(spy.Boxes().size(), 1u);
        EXPECT_EQ(spy.Boxes()[0].text, row.before + pair.LibraryPath() + row.after);
    }
}

TEST(ResourceLibrary, UninitializedManagerLoadsNothingAndStaysSilent) {
    tutest::MessageBoxSpy spy;
    ResourceManager manager;
    EXPECT_EQ(manager.GetLangInst(), nullptr);
    EXPECT_EQ(Text(manager.LDS(1)), L"");
    EXPECT_EQ(manager.FreeResourceDLL(), 0);
    EXPECT_TRUE(spy.Boxes().empty());
}

TEST(ResourceLibrary, FreedLibraryIsNotLoadedAgain) {
    ModulePair pair(L"neutral_2_3.dll", L"res_2_3_9_77.1fa");
    tutest::MessageBoxSpy spy;
    ResourceManager manager;
    manager.Init(pair.Module());
    ASSERT_NE(manager.GetLangInst(), nullptr);
    EXPECT_EQ(manager.FreeResourceDLL(), 1);
    EXPECT_EQ(manager.FreeResourceDLL(), 0);
    EXPECT_EQ(manager.GetLangInst(), nullptr);
    EXPECT_EQ(::GetModuleHandleW(pair.LibraryPath().c_str()), nullptr);
    EXPECT_TRUE(spy.Boxes().empty());
}

TEST(ResourceLibrary, LookupsFollowTheUserInputLanguage) {
    ModulePair pair(L"neutral_2_3.dll", L"res_2_3_9_77.1fa");
    C1fa manager;
    manager.Init(pair.Module());
    tutest::UserInputLanguage german(1031);
    EXPECT_EQ(Text(manager.LDS(1)), L"Öffnen");

    unsigned short buffer[8];
    EXPECT_EQ(manager.LoadStringW(1, buffer, 8, 1036, 1), 6);
    EXPECT_EQ(Text(buffer), L"Ouvrir");
    EXPECT_EQ(manager.LoadStringW(1, buffer, 4, LCL_USER_INPUT_LANG, 1), 3);
    EXPECT_EQ(Text(buffer), L"Öff");
    CString text;
    EXPECT_EQ(manager.LoadStringW(2, text, 1036, 1), 14); // French lacks it: English
    EXPECT_EQ(text, L"%1 files in %2");

    DLGTEMPLATE* dialog = manager.LoadDlgTemplate(100, LCL_USER_INPUT_LANG, 1);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->cx, 7);
    dialog = manager.LoadDlgTemplate(100, 1036, 1);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->cx, 9);
    EXPECT_EQ(manager.LoadDlgTemplate(100, 1036, 0), nullptr);
}

TEST(ResourceLibrary, FormatsWithTemplatesFromTheLibrary) {
    ModulePair pair(L"neutral_2_3.dll", L"res_2_3_9_77.1fa");
    C1fa manager;
    manager.Init(pair.Module());
    wchar_t output[64] = L"untouched";
    struct Row {
        WORD language;
        UINT id;
        const wchar_t* expected; // null: the call fails
    } rows[] = {
        {1033, 2, L"3 files in C:\\Pictures"},
        {1031, 2, L"C:\\Pictures enthält 3 Dateien"},
        {1036, 2, L"3 files in C:\\Pictures"}, // no French template: English
        {1033, 9, nullptr},                    // no such string
        {1033, 0, nullptr},                    // id 0 is no template
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.language << " id " << row.id);
        tutest::UserInputLanguage language(row.language);
        int length =
            manager.FormatString(output, 64, MAKEINTRESOURCEW(row.id), L"%d%s", 3, L"C:\\Pictures");
        if (!row.expected) {
            EXPECT_EQ(length, 0);
            EXPECT_STREQ(output, L"untouched");
            continue;
        }
        EXPECT_STREQ(output, row.expected);
        EXPECT_EQ(length, static_cast<int>(wcslen(row.expected)));
        wcscpy(output, L"untouched");
    }
    EXPECT_EQ(manager.FormatString(output, 64, L"<%2|%1>", L"%s%s", L"a", L"b"), 5);
    EXPECT_STREQ(output, L"<b|a>");
}

TEST(ResourceLibrary, FileTypeNamesComeInTheSecondLanguage) {
    ModulePair pair(L"neutral_2_3.dll", L"res_2_3_9_77.1fa");
    C1fa manager;
    manager.Init(pair.Module());
    struct Row {
        WORD language;
        UINT kind;
        const wchar_t* expected;
    } rows[] = {
        {1033, 0, L"Bild"},    {2057, 0, L"Bild"},     // English interface: German
        {1036, 0, L"Image"},   {1040, 0, L"Bild"},     // else its own, or German
        {1041, 0, L"Picture"}, {2052, 0, L"Picture"},  // Japanese, Chinese: English
        {1031, 3, L"Picture"}, {1036, 3, L"Picture"},  // kind 3: English
        {1036, 1, L"Images"},  {1040, 2, L"Pictures"}, // others: id + 1 with fallback
        {1031, 4, L"Bilder"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.language << " kind " << row.kind);
        tutest::UserInputLanguage language(row.language);
        tutest::FilledBuffer buffer(40);
        auto* out = reinterpret_cast<unsigned short*>(buffer.Data());
        EXPECT_EQ(manager.LoadIDFString(row.kind, 10, out, 32), 1);
        EXPECT_EQ(std::wstring(buffer.Data()), row.expected);
        EXPECT_TRUE(buffer.UntouchedFrom(32));
    }
    tutest::FilledBuffer missing(8);
    EXPECT_EQ(manager.LoadIDFString(0, 99, reinterpret_cast<unsigned short*>(missing.Data()), 8),
              1);
    EXPECT_EQ(missing.Data()[0], L'\0');
    EXPECT_EQ(manager.LoadIDFString(0, 10, nullptr, 8), 1);
    EXPECT_EQ(manager.LoadIDFString(0, 10, reinterpret_cast<unsigned short*>(missing.Data()), 0),
              1);
}

TEST(ResourceLibrary, FixedBuffersAreNeverOverrun) {
    // A 1,500-character string through the 512-character LDS buffer and the 1,024-character
    // buffer of the string form.
    ModulePair pair(L"neutral_2_3.dll", L"res_2_3_9_77.1fa");
    C1fa manager;
    manager.Init(pair.Module());
    std::wstring lds = Text(manager.LDS(3));
    EXPECT_EQ(lds.size(), 511u);
    EXPECT_EQ(lds.substr(0, 12), L"abcdefghijab");
    CString text;
    EXPECT_EQ(manager.LoadStringW(3, text, 1033, 1), 1023);
    EXPECT_EQ(text.GetLength(), 1023);

    // As a template, the string is cut to the 256-character buffer.
    std::wstring output(600, L'#');
    EXPECT_EQ(manager.FormatString(&output[0], 600, MAKEINTRESOURCEW(3), L"%s", L"x"), 255);
    EXPECT_EQ(output.substr(0, 256), lds.substr(0, 255) + L'\0');

    // The warning's 256-character text with a path near the path limit.
    ModulePair deep(L"neutral_2_3.dll", nullptr, L"Viewer", std::wstring(210, L'd'));
    ASSERT_NE(deep.Module(), nullptr);
    tutest::MessageBoxSpy spy;
    C1fa deepManager;
    deepManager.Init(deep.Module());
    EXPECT_EQ(deepManager.GetLangInst(), nullptr);
    ASSERT_EQ(spy.Boxes().size(), 1u);
    const std::wstring expected = EnglishWarning(deep.LibraryPath());
    ASSERT_GT(expected.size(), 255u);
    EXPECT_EQ(spy.Boxes()[0].text, expected.substr(0, 255));
}

} // namespace
