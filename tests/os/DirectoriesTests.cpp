// Directories: creation with parents, removal alone, by the shell and by the library's own walk,
// and the emptiness test, on real trees in a fresh folder.
#include "tuFileSys.h"

#include "OsTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

using tutest::Narrow;

class Directories : public ::testing::Test {
protected:
    // top\file.txt, top\one\two\deep.txt, top\one\ro.txt (read-only), top\empty.
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
    bool Exists(const wchar_t* name) const {
        return ::GetFileAttributesW((m_dir / name).c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    tutest::TempDir m_dir;
};

TEST_F(Directories, MakingOneOrWithMissingParentsButNeverAnExistingOne) {
    EXPECT_TRUE(osMakeDir((m_dir / L"a\\").c_str()));
    EXPECT_FALSE(osMakeDir((m_dir / L"x\\y").c_str()));
    ::SetLastError(0xdeadbeef);
    EXPECT_FALSE(osMakeDir((m_dir / L"a").c_str()));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));

    std::wstring deep = m_dir / L"a\\b\\c";
    EXPECT_TRUE(osMakeDirEx((deep + L"\\").c_str()));
    EXPECT_TRUE(osExistsDir(deep.c_str()));
    EXPECT_FALSE(osMakeDirEx(deep.c_str()));
    // A device name at any level stops the creation there, before the system is asked.
    ::SetLastError(0xdeadbeef);
    EXPECT_FALSE(osMakeDir((m_dir / L"com1").c_str()));
    EXPECT_EQ(::GetLastError(), 0xdeadbeefu);
    EXPECT_FALSE(osMakeDirEx((m_dir / L"x\\nul\\y").c_str()));
    EXPECT_TRUE(Exists(L"x"));
    EXPECT_FALSE(osMakeDir(L"") || osMakeDir(nullptr) || osMakeDirEx(L"") || osMakeDirEx(nullptr));
}

TEST_F(Directories, PathsPastTheLimitAreRefusedNotCut) {
    for (size_t length : ostest::kLongLengths) {
        SCOPED_TRACE(length);
        std::wstring path = ostest::PathOfLength(m_dir.Path(), length);
        BOOL made = osMakeDirEx(path.c_str());
        // Whatever the system allows at 259 characters, the answer matches the disk, and no cut
        // name is created in place of a longer one.
        EXPECT_TRUE(!made || length < MAX_PATH);
        EXPECT_EQ(!!made, ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES);
        EXPECT_FALSE(length >= MAX_PATH && osExistsPath(path.substr(0, MAX_PATH - 1).c_str()));
        EXPECT_FALSE(osMakeDir(path.c_str()));
        EXPECT_EQ(osRemoveDir(path.c_str()), made);
        // Nothing by these names exists: nothing to delete and nothing to list.
        EXPECT_TRUE(osRemoveDirEx(path.c_str(), TRUE, FALSE));
        EXPECT_TRUE(osIsDirEmtpy(path.c_str()));
        EXPECT_FALSE(osRemoveDirAndSubDirs(path.c_str(), FALSE));
    }
}

TEST_F(Directories, RemovingOneEmptyDirectory) {
    ASSERT_TRUE(osMakeDirEx((m_dir / L"a\\b").c_str()));
    EXPECT_FALSE(osRemoveDir((m_dir / L"a").c_str()));
    EXPECT_TRUE(osRemoveDir((m_dir / L"a\\b\\").c_str()));
    EXPECT_TRUE(osRemoveDir((m_dir / L"a").c_str()));
    EXPECT_FALSE(Exists(L"a"));
    EXPECT_FALSE(osRemoveDir((m_dir / L"a").c_str()));
    EXPECT_FALSE(osRemoveDir(L"") || osRemoveDir(nullptr) || osRemoveDir(L"aux"));
}

TEST_F(Directories, RemovingTheCurrentDirectoryStepsToItsParent) {
    ostest::CurrentDirectoryKeeper keeper;
    struct Row {
        std::wstring current, removed;
    };
    // Relative and drive-relative names reach the same directory as the full one.
    const Row rows[] = {{m_dir / L"a\\b", m_dir / L"a\\b"},
                        {m_dir / L"c", L"."},
                        {m_dir / L"d", m_dir.Path().substr(0, 2) + L"."}};
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
    // Only without undo: with it, the shell here moves the tree into the host's own trash.
    EXPECT_TRUE(osRemoveDirAndSubDirs(MakeTree().c_str(), FALSE));
    EXPECT_FALSE(Exists(L"top"));
    EXPECT_FALSE(osRemoveDirAndSubDirs((m_dir / L"missing").c_str(), FALSE));
}

TEST_F(Directories, TreeRemovalRefusesRootsAndNoPath) {
    for (const wchar_t* refused :
         {L"C:\\", L"C:", L"\\\\", L"", static_cast<const wchar_t*>(nullptr)}) {
        SCOPED_TRACE(Narrow(refused ? refused : L"(null)"));
        EXPECT_FALSE(osRemoveDirAndSubDirs(refused, FALSE));
        EXPECT_FALSE(osRemoveDirEx(refused, TRUE, FALSE));
    }
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

    top = MakeTree();
    EXPECT_TRUE(osRemoveDirEx(top.c_str(), TRUE, TRUE));
    for (const wchar_t* kept : {L"top", L"top\\one", L"top\\one\\two", L"top\\empty"})
        EXPECT_TRUE(osExistsDir((m_dir / kept).c_str())) << Narrow(kept);
    for (const wchar_t* gone : {L"top\\file.txt", L"top\\one\\two\\deep.txt", L"top\\one\\ro.txt"})
        EXPECT_FALSE(Exists(gone)) << Narrow(gone);
}

TEST_F(Directories, OwnWalkOnMissingPathsAndFiles) {
    EXPECT_TRUE(osRemoveDirEx((m_dir / L"missing").c_str(), FALSE, FALSE));
    // A plain file is no directory to remove, and it stays.
    m_dir.WriteFile(L"plain.txt", "p");
    EXPECT_FALSE(osRemoveDirEx((m_dir / L"plain.txt").c_str(), TRUE, FALSE));
    EXPECT_TRUE(Exists(L"plain.txt"));
}

TEST_F(Directories, EmptinessCountsHiddenEntries) {
    ASSERT_TRUE(osMakeDirEx((m_dir / L"d\\sub").c_str()) && osMakeDir((m_dir / L"h").c_str()));
    m_dir.WriteFile(L"h\\.h", "h");
    ::SetFileAttributesW((m_dir / L"h\\.h").c_str(), FILE_ATTRIBUTE_HIDDEN);
    struct Row {
        std::wstring path;
        bool empty;
    };
    for (const Row& row :
         {Row{m_dir / L"d\\sub\\", true}, Row{m_dir / L"d", false}, Row{m_dir / L"h", false},
          Row{m_dir / L"missing", true}, Row{m_dir / L"h\\.h", true}, Row{L"", true}}) {
        SCOPED_TRACE(Narrow(row.path));
        EXPECT_EQ(!!osIsDirEmtpy(row.path.c_str()), row.empty);
    }
    EXPECT_TRUE(osIsDirEmtpy(nullptr));
}

} // namespace
