// Path strings: form tests, reserved names, backslash edits, extensions, joins, full paths.
#include "tuFileSys.h"

#include "OsTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

using tutest::Narrow;

TEST(PathForm, AbsoluteUncRootAndReserved) {
    struct Row {
        const wchar_t* path;
        bool absolute, unc, root, reserved;
    };
    const Row rows[] = {
        {L"C:\\x", 1, 0, 0, 0},
        {L"\\\\server\\share", 1, 1, 0, 0},
        {L"\\\\", 1, 1, 1, 0},
        {L"C:", 0, 0, 1, 0},
        {L"C:\\", 1, 0, 1, 0},
        {L"?:", 0, 0, 1, 0},
        {L"C:x", 0, 0, 0, 0},
        {L"\\x", 0, 0, 0, 0},
        {L"C", 0, 0, 0, 0},
        {L"", 0, 0, 0, 0},
        {L"//srv/share", 0, 0, 0, 0},
        {L"CON.txt", 0, 0, 0, 1},
        {L"c:\\data\\aux", 1, 0, 0, 1},
        {L"c:\\con\\file", 1, 0, 0, 1},
        {L"ept", 0, 0, 0, 1},
        {L"Clock$", 0, 0, 0, 1},
        {L"C:\\Temp\\LPT1.log", 1, 0, 0, 1},
        {L"\\\\srv\\com4\\", 1, 1, 0, 1},
        {L"a\\con1\\nul", 0, 0, 0, 1},
        {L"icon.txt", 0, 0, 0, 0},
        {L"con1", 0, 0, 0, 0},
        {L"c:con", 0, 0, 0, 0},
        {L"c:/nul", 0, 0, 0, 0},
        {L"C:\\Temp\\COM5", 1, 0, 0, 0},
        {L"C:\\MyCon", 1, 0, 0, 0},
        {L"clock", 0, 0, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Narrow(row.path));
        EXPECT_EQ(!!osIsAbsPath(row.path), row.absolute);
        EXPECT_EQ(!!osIsUNCPath(row.path), row.unc);
        EXPECT_EQ(!!osIsRootDir(row.path), row.root);
        EXPECT_EQ(!!osIsReservedFileName(row.path), row.reserved);
    }
    EXPECT_FALSE(osIsAbsPath(nullptr) || osIsUNCPath(nullptr) || osIsRootDir(nullptr) ||
                 osIsReservedFileName(nullptr));
}

TEST(PathForm, ReservedNamesWithinTheFirst259Characters) {
    // A device name past the limit is not seen; one that the cut ends is seen whole.
    EXPECT_FALSE(osIsReservedFileName((ostest::PathOfLength(L"C:", 259) + L"\\nul").c_str()));
    EXPECT_TRUE(osIsReservedFileName((ostest::PathOfLength(L"C:", 254) + L"\\lpt1x").c_str()));
    for (size_t length : ostest::kLongLengths)
        EXPECT_FALSE(osIsReservedFileName(ostest::PathOfLength(L"C:", length).c_str())) << length;
}

TEST(PathEdits, BackslashesAndDirectoryForm) {
    struct Row {
        const wchar_t *path, *appended, *deleted, *directoryForm;
    };
    const Row rows[] = {
        {L"C:", L"C:\\", L"C:", L"C:\\"},
        {L"C:\\", L"C:\\", L"C:", L"C:\\"},
        {L"\\\\", L"\\\\", L"\\", L"\\\\"},
        {L"C:\\dir", L"C:\\dir\\", L"C:\\dir", L"C:\\dir"},
        {L"C:\\dir\\\\", L"C:\\dir\\\\", L"C:\\dir\\", L"C:\\dir\\"},
        {L"\\", L"\\", L"", L""},
        {L"x/", L"x/\\", L"x/", L"x/"},
        {L"", L"", L"", L""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Narrow(row.path));
        // Each buffer holds exactly one character more than the text.
        size_t size = wcslen(row.path) + 2;
        ostest::GuardedBuffer appended(size, row.path), deleted(size, row.path),
            directoryForm(size, row.path);
        EXPECT_TRUE(osAppendBackslash(appended.get()));
        EXPECT_EQ(appended.text(), row.appended);
        EXPECT_EQ(std::wstring(osAppendBackslashStr(row.path)), row.appended);
        EXPECT_TRUE(osDeleteBackslash(deleted.get()));
        EXPECT_EQ(deleted.text(), row.deleted);
        EXPECT_TRUE(osMakeCommdlgDir(directoryForm.get()));
        EXPECT_EQ(directoryForm.text(), row.directoryForm);
        EXPECT_TRUE(appended.GuardIntact() && directoryForm.GuardIntact());
    }
    EXPECT_TRUE(osAppendBackslash(nullptr) && osDeleteBackslash(nullptr) &&
                osMakeCommdlgDir(nullptr));
}

TEST(PathEdits, ExtensionsAndJoins) {
    struct Ext {
        const wchar_t* path;
        int dotAt; // -1: no extension
    };
    for (const Ext& row :
         {Ext{L"C:\\dir\\file.tar.gz", 15}, Ext{L"C:\\dir.old\\file", -1}, Ext{L"file.", 4},
          Ext{L".profile", 0}, Ext{L"a/b.c/d", 3}, Ext{L"", -1}}) {
        SCOPED_TRACE(Narrow(row.path));
        LPCWSTR ext = L"stale";
        EXPECT_EQ(!!osGetFileExt(row.path, &ext), row.dotAt >= 0);
        EXPECT_EQ(ext, row.dotAt >= 0 ? row.path + row.dotAt : nullptr);
        EXPECT_EQ(!!osGetFileExt(row.path, nullptr), row.dotAt >= 0);
    }
    LPCWSTR ext = L"stale";
    EXPECT_FALSE(osGetFileExt(nullptr, &ext));
    EXPECT_EQ(ext, nullptr);

    struct Join {
        const wchar_t *directory, *name, *joined;
    };
    for (const Join& row :
         {Join{L"C:\\dir\\", L"\\x", L"C:\\dir\\x"}, Join{L"C:\\dir", L"\\x", L"C:\\dir\\x"},
          Join{L"C:\\dir", L"x", L"C:\\dir\\x"}, Join{L"C:\\dir\\", L"\\\\x", L"C:\\dir\\\\x"},
          Join{L"", L"x", L"\\x"}, Join{L"C:\\dir", L"", L"C:\\dir\\"},
          Join{L"C:\\dir", nullptr, L"C:\\dir"}, Join{nullptr, L"x", L"\\x"}}) {
        SCOPED_TRACE(Narrow(row.joined));
        EXPECT_EQ(std::wstring(osCreatePath(row.directory, row.name)), row.joined);
    }
}

class FullPath : public ::testing::Test {
protected:
    FullPath() { ::SetCurrentDirectoryW(m_dir.Path().c_str()); }

    // The current directory is put back before the folder is removed.
    tutest::TempDir m_dir;
    ostest::CurrentDirectoryKeeper m_keeper;
};

TEST_F(FullPath, ExpandsWithinTheSizeSeparatelyAndInPlace) {
    std::wstring expected = m_dir / L"y.txt";
    DWORD exact = static_cast<DWORD>(expected.size() + 1);
    for (DWORD size : {DWORD{MAX_PATH}, exact, exact - 1, DWORD{1}}) {
        SCOPED_TRACE(size);
        bool fits = size >= exact;
        ostest::GuardedBuffer separate(size);
        EXPECT_EQ(osFullPath(separate.get(), L"sub\\..\\y.txt", size) != nullptr, fits);
        EXPECT_TRUE(separate.GuardIntact());
        if (fits) {
            EXPECT_EQ(separate.text(), expected);
        }

        // In place, a failure leaves the text as it was.
        ostest::GuardedBuffer inPlace(size, std::wstring(L"y.txt").substr(0, size - 1));
        std::wstring before = inPlace.text();
        EXPECT_EQ(osFullPath(inPlace.get(), inPlace.get(), size) != nullptr, fits);
        EXPECT_EQ(inPlace.text(), fits ? expected : before);
        EXPECT_TRUE(inPlace.GuardIntact());
    }

    // Bad input fails, or fits within the size.
    ostest::GuardedBuffer buffer(MAX_PATH);
    EXPECT_EQ(std::wstring(osFullPath(buffer.get(), L"C:\\a\\.\\b\\..\\c\\", MAX_PATH)),
              L"C:\\a\\c\\");
    EXPECT_EQ(osFullPath(nullptr, L"x", MAX_PATH), nullptr);
    EXPECT_EQ(osFullPath(buffer.get(), nullptr, MAX_PATH), nullptr);
    EXPECT_EQ(osFullPath(buffer.get(), L"x", 0), nullptr);
    for (size_t length : ostest::kLongLengths) {
        SCOPED_TRACE(length);
        std::wstring path = ostest::PathOfLength(L"C:", length);
        EXPECT_EQ(osFullPath(buffer.get(), path.c_str(), MAX_PATH) != nullptr, length < MAX_PATH);
        EXPECT_TRUE(buffer.GuardIntact());
        ostest::GuardedBuffer big(2000);
        EXPECT_EQ(osFullPath(big.get(), path.c_str(), 2000), big.get());
        EXPECT_EQ(big.text(), path);
    }
}

} // namespace
