// Path strings: form tests, reserved names, backslash edits, extensions, joins, full paths.
#include "tuFileSys.h"

#include "OsTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using tutest::Narrow;

TEST(PathForm, AbsoluteUncAndRootTests) {
    struct Row {
        const wchar_t* path;
        BOOL absolute, unc, root;
    };
    const Row rows[] = {
        {L"C:\\x", TRUE, FALSE, FALSE},
        {L"\\\\server\\share", TRUE, TRUE, FALSE},
        {L"\\\\server", TRUE, TRUE, FALSE},
        {L"\\\\", TRUE, TRUE, TRUE},
        {L"C:", FALSE, FALSE, TRUE},
        {L"C:\\", TRUE, FALSE, TRUE},
        {L"?:", FALSE, FALSE, TRUE},
        {L"C:x", FALSE, FALSE, FALSE},
        {L"\\x", FALSE, FALSE, FALSE},
        {L"x", FALSE, FALSE, FALSE},
        {L"C", FALSE, FALSE, FALSE},
        {L"\\", FALSE, FALSE, FALSE},
        {L"", FALSE, FALSE, FALSE},
        {L"C:/", FALSE, FALSE, FALSE},
        {L"//server/share", FALSE, FALSE, FALSE},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Narrow(row.path));
        EXPECT_EQ(!!osIsAbsPath(row.path), !!row.absolute);
        EXPECT_EQ(!!osIsUNCPath(row.path), !!row.unc);
        EXPECT_EQ(!!osIsRootDir(row.path), !!row.root);
    }
    EXPECT_FALSE(osIsAbsPath(nullptr));
    EXPECT_FALSE(osIsUNCPath(nullptr));
    EXPECT_FALSE(osIsRootDir(nullptr));
}

TEST(ReservedNames, WholeComponentsOfTheTableOnly) {
    struct Row {
        const wchar_t* path;
        BOOL reserved;
    };
    const Row rows[] = {
        {L"CON.txt", TRUE},
        {L"c:\\data\\aux", TRUE},
        {L"c:\\con\\file", TRUE},
        {L"ept", TRUE},
        {L"Clock$", TRUE},
        {L"C:\\Temp\\LPT1.log", TRUE},
        {L"nul", TRUE},
        {L"PRN.", TRUE},
        {L"x\\com4\\", TRUE},
        {L"\\\\srv\\lpt9", TRUE},
        {L"a\\con1\\con", TRUE},
        {L"icon.txt", FALSE},
        {L"con1", FALSE},
        {L"c:con", FALSE},
        {L"c:/nul", FALSE},
        {L"C:\\Temp\\COM5", FALSE},
        {L"C:\\MyCon", FALSE},
        {L"clock", FALSE},
        {L"lpt", FALSE},
        {L"", FALSE},
        {L"C:\\data\\conx\\nulx", FALSE},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Narrow(row.path));
        EXPECT_EQ(!!osIsReservedFileName(row.path), !!row.reserved);
    }
    EXPECT_FALSE(osIsReservedFileName(nullptr));
}

TEST(ReservedNames, OnlyTheFirst259CharactersCount) {
    // A device name past the limit is not seen; one that the cut ends is seen whole.
    std::wstring prefix = ostest::PathOfLength(L"C:", 250);
    std::wstring beyond = prefix + L"\\xxxxxxxxxxxxxxx\\nul";
    EXPECT_FALSE(osIsReservedFileName(beyond.c_str()));
    std::wstring endsAtCut = ostest::PathOfLength(L"C:", 254) + L"\\lpt1x";
    ASSERT_EQ(endsAtCut.size(), 260u);
    EXPECT_TRUE(osIsReservedFileName(endsAtCut.c_str()));
    for (size_t length : ostest::kLongLengths) {
        SCOPED_TRACE(length);
        EXPECT_FALSE(osIsReservedFileName(ostest::PathOfLength(L"C:", length).c_str()));
    }
}

TEST(BackslashEdits, AppendDeleteAndDirectoryForm) {
    struct Row {
        const wchar_t *path, *appended, *deleted, *directoryForm;
    };
    const Row rows[] = {
        {L"C:", L"C:\\", L"C:", L"C:\\"},
        {L"C:\\", L"C:\\", L"C:", L"C:\\"},
        {L"\\\\", L"\\\\", L"\\", L"\\\\"},
        {L"C:\\dir", L"C:\\dir\\", L"C:\\dir", L"C:\\dir"},
        {L"C:\\dir\\", L"C:\\dir\\", L"C:\\dir", L"C:\\dir"},
        {L"C:\\dir\\\\", L"C:\\dir\\\\", L"C:\\dir\\", L"C:\\dir\\"},
        {L"\\\\srv\\share\\", L"\\\\srv\\share\\", L"\\\\srv\\share", L"\\\\srv\\share"},
        {L"\\", L"\\", L"", L""},
        {L"x/", L"x/\\", L"x/", L"x/"},
        {L"", L"", L"", L""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Narrow(row.path));
        ostest::GuardedBuffer appended(MAX_PATH, row.path), deleted(MAX_PATH, row.path),
            directoryForm(MAX_PATH, row.path);
        EXPECT_TRUE(osAppendBackslash(appended.get()));
        EXPECT_EQ(appended.text(), row.appended);
        EXPECT_EQ(std::wstring(osAppendBackslashStr(row.path)), row.appended);
        EXPECT_TRUE(osDeleteBackslash(deleted.get()));
        EXPECT_EQ(deleted.text(), row.deleted);
        EXPECT_TRUE(osMakeCommdlgDir(directoryForm.get()));
        EXPECT_EQ(directoryForm.text(), row.directoryForm);
    }
    EXPECT_TRUE(osAppendBackslash(nullptr));
    EXPECT_TRUE(osDeleteBackslash(nullptr));
    EXPECT_TRUE(osMakeCommdlgDir(nullptr));
}

TEST(BackslashEdits, AppendingWritesOneCharacterAndTheTerminator) {
    // The caller's buffer has room for exactly one more character.
    ostest::GuardedBuffer exact(6, L"C:\\d");
    EXPECT_TRUE(osAppendBackslash(exact.get()));
    EXPECT_EQ(exact.text(), L"C:\\d\\");
    EXPECT_TRUE(exact.GuardIntact());
}

TEST(Extensions, LastDotOfTheLastComponent) {
    struct Row {
        const wchar_t* path;
        int extAt; // index of the extension's dot, -1 for none
    };
    const Row rows[] = {
        {L"C:\\dir\\file.tar.gz", 15},
        {L"C:\\dir.old\\file", -1},
        {L"file", -1},
        {L"file.", 4},
        {L".profile", 0},
        {L"C:\\dir.d\\", -1},
        {L"a/b.c/d", 3},
        {L"", -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Narrow(row.path));
        LPCWSTR ext = L"stale";
        EXPECT_EQ(!!osGetFileExt(row.path, &ext), row.extAt >= 0);
        EXPECT_EQ(ext, row.extAt >= 0 ? row.path + row.extAt : nullptr);
        EXPECT_EQ(!!osGetFileExt(row.path, nullptr), row.extAt >= 0);
    }
    LPCWSTR ext = L"stale";
    EXPECT_FALSE(osGetFileExt(nullptr, &ext));
    EXPECT_EQ(ext, nullptr);
}

TEST(Joining, ExactlyOneBackslashBetween) {
    struct Row {
        const wchar_t *directory, *name, *joined;
    };
    const Row rows[] = {
        {L"C:\\dir\\", L"\\x", L"C:\\dir\\x"},
        {L"C:\\dir", L"\\x", L"C:\\dir\\x"},
        {L"C:\\dir", L"x", L"C:\\dir\\x"},
        {L"C:\\dir\\", L"x", L"C:\\dir\\x"},
        {L"C:\\dir\\", L"\\\\x", L"C:\\dir\\\\x"},
        {L"", L"x", L"\\x"},
        {L"", L"\\x", L"\\x"},
        {L"C:\\dir", L"", L"C:\\dir\\"},
        {L"C:\\dir", nullptr, L"C:\\dir"},
        {L"C:", L"*.*", L"C:\\*.*"},
        {nullptr, L"x", L"\\x"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Narrow(row.joined));
        EXPECT_EQ(std::wstring(osCreatePath(row.directory, row.name)), row.joined);
    }
}

class FullPath : public ::testing::Test {
protected:
    FullPath() { ::SetCurrentDirectoryW(m_dir.Path().c_str()); }

    ostest::CurrentDirectoryKeeper m_keeper;
    tutest::TempDir m_dir;
};

TEST_F(FullPath, ExpandsAgainstTheCurrentDirectory) {
    struct Row {
        const wchar_t* source;
        std::wstring expected;
    };
    const Row rows[] = {
        {L"x", m_dir / L"x"},
        {L"sub\\..\\y.txt", m_dir / L"y.txt"},
        {L"C:\\a\\..\\b", L"C:\\b"},
        {L"C:\\a\\.\\b\\", L"C:\\a\\b\\"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Narrow(row.source));
        ostest::GuardedBuffer buffer(MAX_PATH);
        EXPECT_EQ(osFullPath(buffer.get(), row.source, MAX_PATH), buffer.get());
        EXPECT_EQ(buffer.text(), row.expected);
        EXPECT_TRUE(buffer.GuardIntact());
    }
}

TEST_F(FullPath, CutsNothingAndOverrunsNothing) {
    std::wstring expected = m_dir / L"file.txt";
    DWORD exact = static_cast<DWORD>(expected.size() + 1);
    struct Row {
        DWORD size;
        bool fits;
    };
    for (const Row& row :
         {Row{MAX_PATH, true}, Row{exact, true}, Row{exact - 1, false}, Row{1, false}}) {
        SCOPED_TRACE(row.size);
        ostest::GuardedBuffer separate(row.size);
        EXPECT_EQ(osFullPath(separate.get(), L"file.txt", row.size) != nullptr, row.fits);
        EXPECT_TRUE(separate.GuardIntact());
        if (row.fits) {
            EXPECT_EQ(separate.text(), expected);
        }

        // In place, a failure leaves the text as it was.
        ostest::GuardedBuffer inPlace(row.size, std::wstring(L"file.txt").substr(0, row.size - 1));
        std::wstring before = inPlace.text();
        EXPECT_EQ(osFullPath(inPlace.get(), inPlace.get(), row.size) != nullptr,
                  row.fits && before == L"file.txt");
        EXPECT_EQ(inPlace.text(), row.fits ? expected : before);
        EXPECT_TRUE(inPlace.GuardIntact());
    }
}

TEST_F(FullPath, BadInputFailsOrFitsWithinTheSize) {
    ostest::GuardedBuffer buffer(MAX_PATH);
    EXPECT_EQ(osFullPath(nullptr, L"x", MAX_PATH), nullptr);
    EXPECT_EQ(osFullPath(buffer.get(), nullptr, MAX_PATH), nullptr);
    EXPECT_EQ(osFullPath(buffer.get(), L"x", 0), nullptr);
    EXPECT_TRUE(buffer.GuardIntact());
    for (size_t length : ostest::kLongLengths) {
        SCOPED_TRACE(length);
        std::wstring path = ostest::PathOfLength(L"C:", length);
        ostest::GuardedBuffer out(MAX_PATH);
        EXPECT_EQ(osFullPath(out.get(), path.c_str(), MAX_PATH) != nullptr, length < MAX_PATH);
        EXPECT_TRUE(out.GuardIntact());
        if (length < MAX_PATH) {
            EXPECT_EQ(out.text(), path);
        }
        ostest::GuardedBuffer big(2000);
        EXPECT_EQ(osFullPath(big.get(), path.c_str(), 2000), big.get());
        EXPECT_EQ(big.text(), path);
    }
}

} // namespace
