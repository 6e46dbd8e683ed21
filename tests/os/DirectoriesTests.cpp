// Directories: creation with parents, removal alone, by the shell and by the library's own walk,
// and the emptiness test, on real trees in a fresh folder.
#include "tuFileSys.h"

#include "OsTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using tutest::Narrow;

class Directories : public ::testing::Test {
protected:
    // A tree: top\file.txt, top\one\two\deep.txt, top\one\ro.txt (read-only), top\empty.
    std::wstring MakeTree() {
        std::wstring top = m_dir / L"top";
        EXPECT_TRUE(osMakeDirEx((top + L"\\one\\two").c_str()));
        EXPECT_TRUE(osMakeDir((top + L"\\empty").c_str()));
        m_dir.WriteFile(L"top\\file.txt", "f");
        m_dir.WriteFile(L"top\\one\\two\\deep.txt", "d");
        m_dir.WriteFile(L"top\\one\\ro.txt", "r");
        ::SetFileAttributesW((top + L"\\one\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
        return top;
    }

    bool Exists(const std::wstring& name) const {
        return ::GetFileAttributesW((m_dir / name).c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    tutest::TempDir m_dir;
};

TEST_F(Directories, MakingOneDirectory) {
    EXPECT_TRUE(osMakeDir((m_dir / L"a").c_str()));
    EXPECT_TRUE(osExistsDir((m_dir / L"a").c_str()));
    EXPECT_TRUE(osMakeDir((m_dir / L"b\\").c_str()));
    EXPECT_TRUE(osExistsDir((m_dir / L"b").c_str()));
    ::SetLastError(0xdeadbeef);
    EXPECT_FALSE(osMakeDir((m_dir / L"a").c_str()));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_FALSE(osMakeDir((m_dir / L"x\\y").c_str()));
    ::SetLastError(0xdeadbeef);
    EXPECT_FALSE(osMakeDir((m_dir / L"com1").c_str()));
    EXPECT_EQ(::GetLastError(), 0xdeadbeefu);
    EXPECT_FALSE(osMakeDir(L""));
    EXPECT_FALSE(osMakeDir(nullptr));
}

TEST_F(Directories, MakingMissingParentsButNotAnExistingDirectory) {
    ASSERT_TRUE(osMakeDir((m_dir / L"a").c_str()));
    std::wstring deep = m_dir / L"a\\b\\c";
    EXPECT_TRUE(osMakeDirEx(deep.c_str()));
    EXPECT_TRUE(osExistsDir(deep.c_str()));
    EXPECT_FALSE(osMakeDirEx(deep.c_str()));
    EXPECT_FALSE(osMakeDirEx((deep + L"\\").c_str()));
    EXPECT_TRUE(osMakeDirEx((m_dir / L"p\\q\\r\\").c_str()));
    EXPECT_TRUE(osExistsDir((m_dir / L"p\\q\\r").c_str()));
    // A device name at any level stops the creation there.
    EXPECT_FALSE(osMakeDirEx((m_dir / L"x\\nul\\y").c_str()));
    EXPECT_TRUE(osExistsDir((m_dir / L"x").c_str()));
    EXPECT_FALSE(osExistsPath((m_dir / L"x\\nul\\y").c_str()));
    EXPECT_FALSE(osMakeDirEx(L""));
    EXPECT_FALSE(osMakeDirEx(nullptr));
}

TEST_F(Directories, PathsPastTheLimitAreRefusedNotCut) {
    for (size_t length : ostest::kLongLengths) {
        SCOPED_TRACE(length);
        std::wstring path = ostest::PathOfLength(m_dir.Path(), length);
        BOOL made = osMakeDirEx(path.c_str());
        if (length >= MAX_PATH) {
            EXPECT_FALSE(made);
        }
        // Whatever the system allows at the limit, the answer matches what is on disk, and no
        // cut name was created in place of the long one.
        EXPECT_EQ(!!made, ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES);
        EXPECT_FALSE(osMakeDir(path.c_str()));
        EXPECT_FALSE(osExistsPath(path.substr(0, MAX_PATH - 1).c_str()) && length >= MAX_PATH);
        if (made) {
            EXPECT_TRUE(osRemoveDir(path.c_str()));
        }
    }
}

TEST_F(Directories, RemovingOneEmptyDirectory) {
    ASSERT_TRUE(osMakeDirEx((m_dir / L"a\\b").c_str()));
    EXPECT_FALSE(osRemoveDir((m_dir / L"a").c_str()));
    EXPECT_TRUE(osRemoveDir((m_dir / L"a\\b\\").c_str()));
    EXPECT_TRUE(osRemoveDir((m_dir / L"a").c_str()));
    EXPECT_FALSE(osExistsPath((m_dir / L"a").c_str()));
    EXPECT_FALSE(osRemoveDir((m_dir / L"a").c_str()));
    EXPECT_FALSE(osRemoveDir(L""));
    EXPECT_FALSE(osRemoveDir(nullptr));
    EXPECT_FALSE(osRemoveDir(L"aux"));
    for (size_t length : ostest::kLongLengths)
        EXPECT_FALSE(osRemoveDir(ostest::PathOfLength(m_dir.Path(), length).c_str())) << length;
}

TEST_F(Directories, RemovingTheCurrentDirectoryStepsToItsParent) {
    ostest::CurrentDirectoryKeeper keeper;
    struct Row {
        std::wstring current, removed;
    };
    // Relative and drive-relative names reach the same directory as the full one.
    std::wstring drive = m_dir.Path().substr(0, 2);
    const Row rows[] = {
        {m_dir / L"a\\b", m_dir / L"a\\b"},
        {m_dir / L"c", L"."},
        {m_dir / L"d", drive + L"."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Narrow(row.removed));
        ASSERT_TRUE(osMakeDirEx(row.current.c_str()));
        ASSERT_TRUE(::SetCurrentDirectoryW(row.current.c_str()));
        EXPECT_TRUE(osRemoveDir(row.removed.c_str()));
        EXPECT_FALSE(osExistsPath(row.current.c_str()));
        wchar_t current[MAX_PATH];
        ::GetCurrentDirectoryW(MAX_PATH, current);
        EXPECT_EQ(std::wstring(current), row.current.substr(0, row.current.rfind(L'\\')));
    }
}

TEST_F(Directories, ShellDeletesAWholeTree) {
    std::wstring top = MakeTree();
    EXPECT_TRUE(osRemoveDirAndSubDirs(top.c_str(), FALSE));
    EXPECT_FALSE(Exists(L"top"));
    // With undo allowed the tree leaves its place for the recycle bin.
    top = MakeTree();
    EXPECT_TRUE(osRemoveDirAndSubDirs(top.c_str(), TRUE));
    EXPECT_FALSE(Exists(L"top"));
    EXPECT_FALSE(osRemoveDirAndSubDirs((m_dir / L"missing").c_str(), FALSE));
    for (const wchar_t* refused : {L"C:\\", L"C:", L"\\\\", L""})
        EXPECT_FALSE(osRemoveDirAndSubDirs(refused, FALSE)) << Narrow(refused);
    EXPECT_FALSE(osRemoveDirAndSubDirs(nullptr, FALSE));
}

TEST_F(Directories, OwnWalkKeepsReadOnlyFilesUnlessToldToReset) {
    std::wstring top = MakeTree();
    EXPECT_FALSE(osRemoveDirEx(top.c_str(), FALSE, FALSE));
    // Everything else went; the read-only file and the directories above it stay.
    EXPECT_TRUE(Exists(L"top\\one\\ro.txt"));
    for (const wchar_t* gone : {L"top\\file.txt", L"top\\one\\two", L"top\\empty"})
        EXPECT_FALSE(Exists(gone)) << Narrow(gone);

    EXPECT_TRUE(osRemoveDirEx(top.c_str(), TRUE, FALSE));
    EXPECT_FALSE(Exists(L"top"));
}

TEST_F(Directories, OwnWalkCanKeepEveryDirectory) {
    std::wstring top = MakeTree();
    EXPECT_TRUE(osRemoveDirEx(top.c_str(), TRUE, TRUE));
    for (const wchar_t* kept : {L"top", L"top\\one", L"top\\one\\two", L"top\\empty"})
        EXPECT_TRUE(osExistsDir((m_dir / kept).c_str())) << Narrow(kept);
    for (const wchar_t* gone : {L"top\\file.txt", L"top\\one\\two\\deep.txt", L"top\\one\\ro.txt"})
        EXPECT_FALSE(Exists(gone)) << Narrow(gone);
}

TEST_F(Directories, OwnWalkOnMissingPathsRootsAndBadInput) {
    EXPECT_TRUE(osRemoveDirEx((m_dir / L"missing").c_str(), FALSE, FALSE));
    for (const wchar_t* refused : {L"C:\\", L"C:", L"\\\\", L""})
        EXPECT_FALSE(osRemoveDirEx(refused, TRUE, FALSE)) << Narrow(refused);
    EXPECT_FALSE(osRemoveDirEx(nullptr, TRUE, FALSE));
    // A plain file is no directory to remove, and it stays.
    m_dir.WriteFile(L"plain.txt", "p");
    EXPECT_FALSE(osRemoveDirEx((m_dir / L"plain.txt").c_str(), TRUE, FALSE));
    EXPECT_TRUE(Exists(L"plain.txt"));
}

TEST_F(Directories, WalkAndEmptinessOfPathsPastTheLimit) {
    // Nothing by these names exists, so there is nothing to delete and nothing to list.
    for (size_t length : ostest::kLongLengths) {
        SCOPED_TRACE(length);
        std::wstring path = ostest::PathOfLength(m_dir.Path(), length);
        EXPECT_TRUE(osRemoveDirEx(path.c_str(), TRUE, FALSE));
        EXPECT_TRUE(osIsDirEmtpy(path.c_str()));
        EXPECT_FALSE(osRemoveDirAndSubDirs(path.c_str(), FALSE));
    }
}

TEST_F(Directories, EmptinessCountsHiddenEntries) {
    ASSERT_TRUE(osMakeDirEx((m_dir / L"d\\sub").c_str()));
    ASSERT_TRUE(osMakeDir((m_dir / L"hidden").c_str()));
    ASSERT_TRUE(osMakeDir((m_dir / L"plain").c_str()));
    m_dir.WriteFile(L"hidden\\.h", "h");
    ::SetFileAttributesW((m_dir / L"hidden\\.h").c_str(), FILE_ATTRIBUTE_HIDDEN);
    m_dir.WriteFile(L"plain\\x", "x");
    struct Row {
        std::wstring path;
        BOOL empty;
    };
    const Row rows[] = {
        {m_dir / L"d\\sub", TRUE},   {m_dir / L"d\\sub\\", TRUE},
        {m_dir / L"d", FALSE},       {m_dir / L"hidden", FALSE},
        {m_dir / L"plain", FALSE},   {m_dir / L"missing", TRUE},
        {m_dir / L"plain\\x", TRUE}, {L"", TRUE},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Narrow(row.path));
        EXPECT_EQ(!!osIsDirEmtpy(row.path.c_str()), !!row.empty);
    }
    EXPECT_TRUE(osIsDirEmtpy(nullptr));
}

} // namespace
