// Path strings: form tests, reserved names, edits, extensions, joins, full paths, and long names
// by the system and by hand, and module paths.
#include "tuFileSys.h"

#include "os/LongNames.h"

#include "OsTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace {

using ostest::kLongLengths;
using ostest::PathOfLength;
using tutest::GuardedBuffer;
using tutest::Narrow;

TEST(PathForm, AbsoluteUncRootAndReserved) {
    // Flags: A absolute, U UNC, R root, D a device name in any component, any case, any extension.
    using Row = std::pair<const wchar_t*, const char*>;
    for (const auto& [path, flags] :
         {Row{L"\\\\", "AUR"}, Row{L"C:\\", "AR"}, Row{L"?:", "R"}, Row{L"C:x", ""},
          Row{L"\\x", ""}, Row{L"", ""}, Row{L"//srv/share", ""}, Row{L"EPT.txt", "D"},
          Row{L"Clock$", "D"}, Row{L"c:\\data\\aux", "AD"}, Row{L"c:\\con\\file", "AD"},
          Row{L"C:\\Temp\\LPT1.log", "AD"}, Row{L"\\\\srv\\com4\\", "AUD"}, Row{L"icon.txt", ""},
          Row{L"con1", ""}, Row{L"c:con", ""}, Row{L"c:/nul", ""}, Row{L"C:\\Temp\\COM5", "A"},
          Row{L"clock", ""}})
        EXPECT_EQ(std::string(osIsAbsPath(path) ? "A" : "") + (osIsUNCPath(path) ? "U" : "") +
                      (osIsRootDir(path) ? "R" : "") + (osIsReservedFileName(path) ? "D" : ""),
                  flags)
            << Narrow(path);
    EXPECT_FALSE(osIsAbsPath(nullptr) || osIsUNCPath(nullptr) || osIsRootDir(nullptr) ||
                 osIsReservedFileName(nullptr));
}

TEST(PathEdits, BackslashesExtensionsAndJoins) {
    // Path, appended, deleted, directory form; each buffer holds one character more than the text.
    using Edit = std::tuple<const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*>;
    for (const auto& [path, appended, deleted, commdlg] :
         {Edit{L"C:", L"C:\\", L"C:", L"C:\\"}, Edit{L"C:\\", L"C:\\", L"C:", L"C:\\"},
          Edit{L"\\\\", L"\\\\", L"\\", L"\\\\"},
          Edit{L"C:\\dir", L"C:\\dir\\", L"C:\\dir", L"C:\\dir"},
          Edit{L"C:\\dir\\\\", L"C:\\dir\\\\", L"C:\\dir\\", L"C:\\dir\\"},
          Edit{L"\\", L"\\", L"", L""}, Edit{L"x/", L"x/\\", L"x/", L"x/"},
          Edit{L"", L"", L"", L""}}) {
        SCOPED_TRACE(Narrow(path));
        size_t size = wcslen(path) + 2;
        GuardedBuffer append(size, path), remove(size, path), form(size, path);
        EXPECT_TRUE(osAppendBackslash(append.Data()) && osDeleteBackslash(remove.Data()) &&
                    osMakeCommdlgDir(form.Data()));
        EXPECT_EQ(std::make_tuple(append.Text(), std::wstring(osAppendBackslashStr(path)),
                                  remove.Text(), form.Text()),
                  std::make_tuple(std::wstring(appended), std::wstring(appended),
                                  std::wstring(deleted), std::wstring(commdlg)));
        EXPECT_TRUE(append.GuardIntact() && form.GuardIntact());
    }
    EXPECT_TRUE(osAppendBackslash(nullptr) && osDeleteBackslash(nullptr) &&
                osMakeCommdlgDir(nullptr));

    using Ext = std::pair<const wchar_t*, int>; // where the extension's dot is, -1 for none
    for (const auto& [path, dotAt] :
         {Ext{L"C:\\dir\\file.tar.gz", 15}, Ext{L"C:\\dir.old\\file", -1}, Ext{L"file.", 4},
          Ext{L".profile", 0}, Ext{L"a/b.c/d", 3}, Ext{L"", -1}, Ext{nullptr, -1}}) {
        SCOPED_TRACE(Narrow(path ? path : L"(null)"));
        LPCWSTR ext = L"stale";
        EXPECT_EQ(!!osGetFileExt(path, &ext), dotAt >= 0);
        EXPECT_EQ(ext, dotAt >= 0 ? path + dotAt : nullptr);
        EXPECT_EQ(!!osGetFileExt(path, nullptr), dotAt >= 0);
    }

    using Join = std::tuple<const wchar_t*, const wchar_t*, std::wstring>;
    for (const auto& [directory, name, joined] :
         {Join{L"C:\\dir\\", L"\\x", L"C:\\dir\\x"}, Join{L"C:\\dir", L"\\x", L"C:\\dir\\x"},
          Join{L"C:\\dir", L"x", L"C:\\dir\\x"}, Join{L"C:\\dir\\", L"\\\\x", L"C:\\dir\\\\x"},
          Join{L"", L"x", L"\\x"}, Join{L"C:\\dir", L"", L"C:\\dir\\"},
          Join{L"C:\\dir", nullptr, L"C:\\dir"}, Join{nullptr, L"x", L"\\x"}})
        EXPECT_EQ(std::wstring(osCreatePath(directory, name)), joined) << Narrow(joined);
}

TEST(FullPath, ExpandsWithinTheSizeSeparatelyAndInPlace) {
    tutest::TempDir dir;
    ostest::CurrentDirectoryKeeper keeper; // put back before the folder is removed
    ::SetCurrentDirectoryW(dir.Path().c_str());
    std::wstring expected = dir / L"y.txt";
    DWORD exact = static_cast<DWORD>(expected.size() + 1);
    for (DWORD size : {DWORD{MAX_PATH}, exact, exact - 1, DWORD{1}}) {
        SCOPED_TRACE(size);
        bool fits = size >= exact;
        GuardedBuffer separate(size), inPlace(size, std::wstring(L"y.txt").substr(0, size - 1));
        EXPECT_EQ(osFullPath(separate.Data(), L"sub\\..\\y.txt", size) != nullptr, fits);
        EXPECT_EQ(separate.Text(), fits ? expected : separate.Text());
        // In place, a failure leaves the text as it was.
        std::wstring before = inPlace.Text();
        EXPECT_EQ(osFullPath(inPlace.Data(), inPlace.Data(), size) != nullptr, fits);
        EXPECT_EQ(inPlace.Text(), fits ? expected : before);
        EXPECT_TRUE(separate.GuardIntact() && inPlace.GuardIntact());
    }
    GuardedBuffer buffer(MAX_PATH), big(2000);
    EXPECT_FALSE(osFullPath(nullptr, L"x", MAX_PATH) ||
                 osFullPath(buffer.Data(), nullptr, MAX_PATH) ||
                 osFullPath(buffer.Data(), L"x", 0));
    for (size_t length : kLongLengths) {
        SCOPED_TRACE(length);
        std::wstring path = PathOfLength(L"C:", length);
        EXPECT_EQ(osFullPath(buffer.Data(), path.c_str(), MAX_PATH) != nullptr, length < MAX_PATH);
        EXPECT_TRUE(buffer.GuardIntact());
        EXPECT_TRUE(osFullPath(big.Data(), path.c_str(), 2000) == big.Data() && big.Text() == path);
    }
}

std::wstring ShortPath(const std::wstring& path) {
    wchar_t buffer[MAX_PATH] = L"";
    ::GetShortPathNameW(path.c_str(), buffer, MAX_PATH);
    return buffer;
}

// A folder and a file with long names.
struct LongNames : ::testing::Test {
    LongNames() { m_dir.WriteFile(L"Long Folder Name Here\\Another long file.document", "x"); }

    tutest::TempDir m_dir;
    std::wstring m_folder = m_dir / L"Long Folder Name Here";
    std::wstring m_file = m_folder + L"\\Another long file.document";
    bool m_made = ::CreateDirectoryW(m_folder.c_str(), nullptr);
};

TEST_F(LongNames, ConversionBySystemAndByHand) {
    std::wstring shortFolder = ShortPath(m_folder), shortFile = ShortPath(m_file);
    ASSERT_NE(shortFile.find(L'~'), std::wstring::npos) << Narrow(shortFile);
    ostest::CurrentDirectoryKeeper keeper;
    ::SetCurrentDirectoryW(m_dir.Path().c_str());
    DWORD exact = static_cast<DWORD>(m_file.size() + 1);
    // By the system (row 2 relative): the long length, or 0 keeping the text cut to the size.
    using Row = std::tuple<std::wstring, DWORD, DWORD>;
    std::vector<Row> rows = {
        {shortFile, MAX_PATH, exact - 1},
        {shortFile.substr(ShortPath(m_dir.Path()).size() + 1), MAX_PATH, exact - 1},
        {shortFile, exact, exact - 1},
        {shortFile, exact - 1, 0},
        {shortFile, 0, 0},
        {L"", MAX_PATH, 0}};
    for (size_t length : kLongLengths)
        rows.emplace_back(PathOfLength(shortFolder, length), DWORD(length + 1), 0);
    for (const auto& [path, size, result] : rows) {
        SCOPED_TRACE(Narrow(path) + " size " + std::to_string(size));
        GuardedBuffer buffer(std::max<size_t>(path.size() + 1, size), path);
        EXPECT_EQ(osCvtToLongFileName(buffer.Data(), size), result);
        EXPECT_EQ(buffer.Text(), result ? m_file : (size ? path.substr(0, size - 1) : path));
        EXPECT_TRUE(buffer.GuardIntact());
    }
    EXPECT_EQ(osCvtToLongFileName(nullptr, MAX_PATH), 0u);

    // By hand: short components replaced up to an unknown one; paths past the limit left alone.
    using HandRow = std::tuple<std::wstring, DWORD, BOOL, std::wstring>;
    std::vector<HandRow> handRows = {
        {shortFolder + L"\\", MAX_PATH, TRUE, m_folder + L"\\"},
        {L"relative\\no tilde", MAX_PATH, TRUE, L"relative\\no tilde"},
        {shortFolder + L"\\MISSIN~1\\x", MAX_PATH, TRUE, m_folder + L"\\MISSIN~1\\x"},
        {m_dir / L"NOSUCH~1\\x", MAX_PATH, FALSE, m_dir / L"NOSUCH~1\\x"},
        {shortFile, exact, TRUE, m_file},
        {shortFile, exact - 1, FALSE, shortFile},
        {shortFile, 0, FALSE, shortFile}};
    for (size_t length : kLongLengths) {
        std::wstring path = PathOfLength(shortFolder, length);
        bool fits = length < MAX_PATH;
        handRows.emplace_back(path, 2000, fits,
                              fits ? m_folder + path.substr(shortFolder.size()) : path);
    }
    for (const auto& [path, size, converted, result] : handRows) {
        SCOPED_TRACE("by hand: " + Narrow(path) + " size " + std::to_string(size));
        GuardedBuffer buffer(size > path.size() ? size : MAX_PATH, path);
        EXPECT_EQ(tu::os::ConvertToLongNameByHand(buffer.Data(), size), converted);
        EXPECT_EQ(buffer.Text(), result);
        EXPECT_TRUE(buffer.GuardIntact());
    }
    EXPECT_FALSE(tu::os::ConvertToLongNameByHand(nullptr, MAX_PATH));
}

TEST_F(LongNames, ModulePathsAreFullLongAndCutToTheBuffer) {
    std::wstring copy = m_folder + L"\\Sample Module Copy.dll";
    ASSERT_TRUE(::CopyFileW((tutest::BinDir() + L"\\BaseKit.dll").c_str(), copy.c_str(), FALSE));
    HMODULE module = ::LoadLibraryW(ShortPath(copy).c_str());
    ASSERT_NE(module, nullptr);
    GuardedBuffer loaded(MAX_PATH), unknown(MAX_PATH);
    EXPECT_NE(osGetModuleFileName(module, loaded.Data(), MAX_PATH), 0u);
    EXPECT_EQ(loaded.Text(), copy);
    ::FreeLibrary(module);

    wchar_t program[MAX_PATH];
    DWORD length = ::GetModuleFileNameW(nullptr, program, MAX_PATH);
    for (DWORD size : {DWORD{MAX_PATH}, length + 1, length, DWORD{5}, DWORD{1}, DWORD{0}}) {
        SCOPED_TRACE(size);
        GuardedBuffer buffer(size);
        EXPECT_EQ(osGetModuleFileName(nullptr, buffer.Data(), size) != 0, size != 0);
        EXPECT_EQ(buffer.Text(), std::wstring(program).substr(0, size ? size - 1 : 0));
        EXPECT_TRUE(buffer.GuardIntact());
    }
    EXPECT_EQ(osGetModuleFileName(nullptr, nullptr, MAX_PATH), 0u);
    // An unknown module leaves an empty text.
    EXPECT_EQ(osGetModuleFileName(reinterpret_cast<HMODULE>(0x1230000), unknown.Data(), MAX_PATH),
              0u);
    EXPECT_EQ(unknown.Text(), L"");
}

} // namespace
