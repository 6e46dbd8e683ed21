// The resource-library manager: a neutral module and its ".1fa" library copied side by side
// into a fresh folder, the lazy load, the version check, the one warning box, and lookups.
#include "tuLocal.h"

#include "LocalizeTestSupport.h"
#include "MessageBoxSpy.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>

namespace {

std::wstring Text(const unsigned short* text) {
    return reinterpret_cast<const wchar_t*>(text);
}

// Exposes the protected steps to the tests.
struct ResourceManager : C1fa {
    using C1fa::CalcDllPath;
    using C1fa::FreeResourceDLL;
};

// A neutral module copied as <stem>.dll into a fresh folder (the stem may name a subfolder),
// with or without a resource library beside it; loaded for the pair's lifetime.
struct ModulePair {
    ModulePair(const wchar_t* neutral, const wchar_t* library, const std::wstring& stem = L"Viewer")
        : libraryPath(dir / stem + L".1fa") {
        if (size_t slash = stem.rfind(L'\\'); slash != std::wstring::npos)
            ::CreateDirectoryW((dir / stem.substr(0, slash)).c_str(), nullptr);
        dir.CopyModule(neutral, stem + L".dll");
        if (library)
            dir.CopyModule(library, stem + L".1fa");
        module = ::LoadLibraryW((dir / stem + L".dll").c_str());
    }
    ~ModulePair() { ::FreeLibrary(module); }
    bool LibraryLoaded() const { return ::GetModuleHandleW(libraryPath.c_str()) != nullptr; }

    tutest::TempDir dir;
    const std::wstring libraryPath;
    HMODULE module = nullptr;
};

// A manager of a neutral module whose library meets its demand.
struct AcceptedLibrary : ::testing::Test {
    void SetUp() override { manager.Init(pair.module); }
    ModulePair pair{L"neutral_2_3.dll", L"res_2_3_9_77.1fa"};
    C1fa manager;
};

TEST(ResourceLibrary, PathIsTheModulesPathWithTheExtension1fa) {
    ModulePair dotted(L"neutral_2_3.dll", nullptr, L"Viewer.v2");
    ASSERT_NE(dotted.module, nullptr);
    ResourceManager manager;
    manager.Init(dotted.module);
    EXPECT_EQ(std::wstring(manager.CalcDllPath()), dotted.libraryPath);

    // Loaded under a name without a dot (the trailing dot stops the loader adding ".dll").
    tutest::TempDir dir;
    dir.CopyModule(L"neutral_2_3.dll", L"Viewer");
    HMODULE bare = ::LoadLibraryW((dir / L"Viewer.").c_str());
    ASSERT_NE(bare, nullptr);
    manager.Init(bare);
    const std::wstring expected = dir / L"Viewer.1fa";
    if (expected.find(L'.') == expected.size() - 4) { // no other dot in the folder names
        EXPECT_EQ(std::wstring(manager.CalcDllPath()), expected);
    }
    ::FreeLibrary(bare);

    // A handle of no loaded module has no library; no ".1fa" on the DLL path is loaded instead.
    dir.CopyModule(L"res_2_3_9_77.1fa", L".1fa");
    wchar_t current[MAX_PATH];
    ::GetCurrentDirectoryW(MAX_PATH, current);
    ::SetCurrentDirectoryW(dir.Path().c_str());
    tutest::MessageBoxSpy spy;
    EXPECT_TRUE(manager.CalcDllPath().IsEmpty());
    EXPECT_EQ(manager.GetLangInst(), nullptr);
    EXPECT_EQ(::GetModuleHandleW((dir / L".1fa").c_str()), nullptr);
    ::SetCurrentDirectoryW(current);
}

// Every lookup that needs the resource library loads it; LDSN, GetNeutInst and FormatString
// with a template of its own do not. A freed library is not loaded again.
TEST_F(AcceptedLibrary, LoadsOnFirstNeedAndFreesOnceSilently) {
    ASSERT_NE(pair.module, nullptr);
    tutest::MessageBoxSpy spy;
    unsigned short buffer[32];
    CString text;
    wchar_t output[32];
    const std::function<void(ResourceManager&)> lookups[] = {
        [&](ResourceManager& m) { EXPECT_EQ(m.LoadStringW(1, buffer, 4, 1033, 1), 3); },
        [&](ResourceManager& m) { EXPECT_EQ(m.LoadStringW(2, text, 1036, 1), 14); }, // no French
        [&](ResourceManager& m) { m.FormatString(output, 32, MAKEINTRESOURCEW(2), L"%d", 3); },
        [&](ResourceManager& m) { EXPECT_EQ(m.LoadDlgTemplate(100, 1036, 0), nullptr); },
        [&](ResourceManager& m) { m.LoadIDFString(0, 10, buffer, 32); },
        [&](ResourceManager& m) { EXPECT_EQ(Text(m.LDS(1)), L"Open"); },
    };
    for (size_t lookup = 0; lookup < std::size(lookups); ++lookup) {
        SCOPED_TRACE(lookup);
        {
            ResourceManager manager;
            EXPECT_EQ(manager.Init(pair.module), 1);
            EXPECT_EQ(manager.GetNeutInst(), pair.module);
            EXPECT_EQ(Text(manager.LDSN(1)), L"Neutral text");
            EXPECT_EQ(manager.FormatString(output, 32, L"<%2|%1>", L"%s%s", L"a", L"b"), 5);
            EXPECT_STREQ(output, L"<b|a>");
            EXPECT_FALSE(pair.LibraryLoaded());
            lookups[lookup](manager);
            EXPECT_TRUE(pair.LibraryLoaded());
            EXPECT_EQ(manager.GetLangInst(), ::GetModuleHandleW(pair.libraryPath.c_str()));
            if (lookup == 5) {
                EXPECT_EQ(manager.FreeResourceDLL(), 1);
                EXPECT_EQ(manager.FreeResourceDLL(), 0);
                EXPECT_EQ(manager.GetLangInst(), nullptr);
                EXPECT_FALSE(pair.LibraryLoaded());
            }
        }
        EXPECT_FALSE(pair.LibraryLoaded()); // freed on destruction
    }
    ResourceManager uninitialized;
    EXPECT_EQ(uninitialized.GetLangInst(), nullptr);
    EXPECT_TRUE(spy.Boxes().empty());
}

// A refused library is not kept loaded, lookups go to the executable (which has no strings),
// and the user sees one warning in the user-input language, cut to its 256-character buffer.
TEST(ResourceLibrary, VersionMustReachTheDemandElseOneWarningInTheUserInputLanguage) {
    const wchar_t *english = L"Cannot load resource library '", *german = L"Die Resource-DLL '";
    const std::wstring deep = std::wstring(210, L'd') + L"\\Viewer";
    struct Row {
        const wchar_t *neutral, *library;
        WORD language;
        const wchar_t *before, *after; // the warning around the path; null: accepted
        std::wstring stem = L"Viewer";
    } rows[] = {
        {L"neutral_2_3.dll", L"res_2_3_0_0.1fa", 1033, nullptr, nullptr},
        {L"neutral_2_3.dll", L"res_2_2_65535_65535.1fa", 1033, english, L"'."}, // builds no help
        {L"neutral_2_4.dll", L"res_2_3_9_77.1fa", 1033, english, L"'."},
        {L"neutral_none.dll", L"res_2_3_9_77.1fa", 1033, english, L"'."}, // no demand: refused
        {L"neutral_2_3.dll", L"res_unversioned.1fa", 1033, english, L"'."},
        {L"neutral_2_3.dll", nullptr, 1033, english, L"'.", deep},
        {L"neutral_2_3.dll", nullptr, 2055, german, L"' kann nicht geladen werden."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(&row - rows);
        ModulePair pair(row.neutral, row.library, row.stem);
        ASSERT_NE(pair.module, nullptr);
        tutest::UserInputLanguage language(row.language);
        tutest::MessageBoxSpy spy;
        C1fa manager;
        manager.Init(pair.module);
        const bool accepted = row.before == nullptr;
        EXPECT_EQ(manager.GetLangInst() != nullptr, accepted);
        EXPECT_EQ(pair.LibraryLoaded(), accepted);
        EXPECT_EQ(Text(manager.LDS(1)), accepted ? L"Open" : L"");
        EXPECT_EQ(manager.LoadDlgTemplate(100, 1033, 1) != nullptr, accepted);
        ASSERT_EQ(spy.Boxes().size(), accepted ? 0u : 1u);
        if (!accepted) {
            const std::wstring text = row.before + pair.libraryPath + row.after;
            ASSERT_EQ(text.size() > 255, row.stem == deep);
            EXPECT_EQ(spy.Boxes()[0].text, text.substr(0, 255));
            EXPECT_EQ(spy.Boxes()[0].caption, L"frameTests");
            EXPECT_EQ(spy.Boxes()[0].icon, ::LoadIconW(nullptr, IDI_EXCLAMATION));
        }
    }
}

TEST_F(AcceptedLibrary, LookupsAndTemplatesFollowTheUserInputLanguageWithinTheirBuffers) {
    // String 3 has 1,500 characters: LDS cuts it to its 512-character buffer, a template to 256.
    const std::wstring lds = Text(manager.LDS(3));
    EXPECT_EQ(lds.size(), 511u);
    EXPECT_EQ(lds.substr(0, 12), L"abcdefghijab");
    tutest::UserInputLanguage german(1031);
    EXPECT_EQ(Text(manager.LDS(1)), L"Öffnen");
    // Rows: user-input language, template id, text (empty: the call fails, the output untouched).
    const std::tuple<WORD, UINT, std::wstring> rows[] = {
        {1033, 2, L"3 files in C:\\Pictures"},
        {1031, 2, L"C:\\Pictures enthält 3 Dateien"},
        {1036, 2, L"3 files in C:\\Pictures"}, // no French template: English
        {1033, 9, L""},                        // no such string
        {1033, 0, L""},                        // id 0 is no template
        {1033, 3, lds.substr(0, 255)},
    };
    for (const auto& [language, id, expected] : rows) {
        SCOPED_TRACE(id);
        tutest::UserInputLanguage inUse(language);
        tutest::GuardedBuffer output(600);
        EXPECT_EQ(manager.FormatString(output.Data(), 600, MAKEINTRESOURCEW(id), L"%d%s", 3,
                                       L"C:\\Pictures"),
                  static_cast<int>(expected.size()));
        EXPECT_EQ(output.Text(), expected.empty() ? std::wstring(600, output.kFill) : expected);
    }
}

TEST_F(AcceptedLibrary, FileTypeNamesComeInTheSecondLanguage) {
    // Rows: user-input language, kind, name.
    const std::tuple<WORD, UINT, const wchar_t*> rows[] = {
        {2057, 0, L"Bild"},    {1036, 0, L"Image"},   {1040, 0, L"Bild"},     // English interface:
        {1041, 0, L"Picture"}, {2052, 0, L"Picture"},                         // German, else its
        {1036, 3, L"Picture"}, {1036, 1, L"Images"},  {1040, 2, L"Pictures"}, // own or German
    };
    for (const auto& [language, kind, expected] : rows) {
        SCOPED_TRACE(testing::Message() << language << " kind " << kind);
        tutest::UserInputLanguage inUse(language);
        tutest::GuardedBuffer buffer(40);
        auto* out = reinterpret_cast<unsigned short*>(buffer.Data());
        EXPECT_EQ(manager.LoadIDFString(kind, 10, out, 32), 1);
        EXPECT_EQ(std::wstring(buffer.Data()), expected);
        EXPECT_TRUE(buffer.UntouchedFrom(32));
    }
    tutest::GuardedBuffer missing(8);
    auto* out = reinterpret_cast<unsigned short*>(missing.Data());
    EXPECT_EQ(manager.LoadIDFString(0, 99, out, 8), 1);
    EXPECT_EQ(missing[0], L'\0');
    EXPECT_EQ(manager.LoadIDFString(0, 10, nullptr, 8), 1);
    EXPECT_EQ(manager.LoadIDFString(0, 10, out, 0), 1);
}

} // namespace
