// Files and directories on real trees in a fresh folder: existence and access, sizes, free
// space, deletion, the current directory, creation, removal, emptiness, and shortcuts.
#include "tuFileSys.h"

#include "OsTestSupport.h"
#include "TestSupport.h"
#include "common/WindowsSupport.h"

#include <objbase.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

using ostest::kLongLengths;
using ostest::PathOfLength;
using tutest::Narrow;

struct Disk : ::testing::Test {
    Disk() {
        m_dir.WriteFile(L"data.bin", std::string(12345, 'd'));
        m_dir.WriteFile(L"a.txt", "alpha");
        m_dir.WriteFile(L"ro.txt", "r");
        ::SetFileAttributesW((m_dir / L"ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
        ::CreateDirectoryW((m_dir / L"sub").c_str(), nullptr);
    }

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
    // Those of the names that exist in the folder, each followed by a space.
    std::string Existing(std::initializer_list<const wchar_t*> names) const {
        std::string found;
        for (const wchar_t* name : names)
            if (::GetFileAttributesW((m_dir / name).c_str()) != INVALID_FILE_ATTRIBUTES)
                found += Narrow(name) + " ";
        return found;
    }

    tutest::TempDir m_dir;
};

TEST_F(Disk, ExistenceTestsKeepAwayFromDevices) {
    // Flags: F file, D directory, R readable, P a path; devices are none, the system unasked.
    using Row = std::pair<std::wstring, std::string>;
    std::vector<Row> rows = {Row{m_dir / L"DATA.BIN", "FRP"}, Row{m_dir / L"sub", "DP"},
                             Row{m_dir / L"sub\\", "DP"}, // found
                             Row{m_dir / L"missing", ""},     Row{m_dir / L"*.bin", ""},
                             Row{L"Q:\\no\\such", ""},        Row{L"", ""},      // not
                             Row{m_dir / L"nul", ""},         Row{L"LPT1", ""}}; // devices
    for (size_t length : kLongLengths)
        rows.emplace_back(PathOfLength(m_dir.Path(), length), "");
    for (const auto& [path, flags] : rows) {
        const wchar_t* p = path.c_str();
        EXPECT_EQ(std::string(osExistsFile(p) ? "F" : "") + (osExistsDir(p) ? "D" : "") +
                      (osReadableFile(p) ? "R" : "") + (osExistsPath(p) ? "P" : ""),
                  flags)
            << Narrow(path);
    }
    EXPECT_FALSE(osExistsFile(nullptr) || osExistsDir(nullptr) || osExistsPath(nullptr) ||
                 osReadableFile(nullptr));

    std::wstring path = m_dir / L"a.txt";
    tu::UniqueHandle locked(
        ::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(locked && !osReadableFile(path.c_str()));
    locked.reset();
    // Modes 0, 2, 4, 6: a read-only file refuses the writing ones; other modes are refused.
    for (int mode = 0; mode <= 6; mode += 2) {
        SCOPED_TRACE(mode);
        EXPECT_TRUE(osGetAccess(path.c_str(), mode));
        EXPECT_EQ(!!osGetAccess((m_dir / L"ro.txt").c_str(), mode), (mode & 2) == 0);
    }
    EXPECT_FALSE(osGetAccess(path.c_str(), 1) || osGetAccess(path.c_str(), -1));
    EXPECT_FALSE(osGetAccess((m_dir / L"missing").c_str(), 0) || osGetAccess(nullptr, 0));
    EXPECT_TRUE(osGetAccess(L"NUL", 0)); // no device guard here: the runtime sees the device
}

TEST_F(Disk, SizesOfTheFirstMatchAndFreeSpace) {
    // A sparse file past 4 GB: its end is set far out without writing the bytes.
    std::wstring big = m_dir / L"big.bin";
    HANDLE file = ::CreateFileW(big.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = (5LL << 30) + 7;
    bool grown = ::SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && ::SetEndOfFile(file);
    ::CloseHandle(file);
    using Size = std::pair<std::wstring, LONGLONG>;
    const Size rows[] = {Size{m_dir / L"data.bin", 12345},
                         Size{m_dir / L"*.txt", 5}, // the first match
                         Size{m_dir / L"missing", -1},
                         Size{L"", -1},
                         Size{PathOfLength(m_dir.Path(), 1000), -1}, // none
                         Size{m_dir / L"sub", 0},
                         Size{big, grown ? end.QuadPart : 0}}; // a folder, the high part
    for (const auto& [path, size] : rows)
        EXPECT_EQ(osGetFileSize(path.c_str()), size) << Narrow(path);
    EXPECT_EQ(osGetFileSize(nullptr), -1);
    WIN32_FIND_DATAW info;
    ASSERT_TRUE(osGetFileInformation((m_dir / L"data.*").c_str(), info));
    EXPECT_STREQ(info.cFileName, L"data.bin");
    memset(&info, 0xcc, sizeof info);
    EXPECT_FALSE(osGetFileInformation((m_dir / L"missing").c_str(), info) ||
                 osGetFileInformation(nullptr, info));
    EXPECT_EQ(info.dwFileAttributes, 0xccccccccu);

    // Only the volume's root matters, even past the limit; compared loosely as others write too.
    ULARGE_INTEGER available;
    std::wstring root = m_dir.Path().substr(0, 3);
    ASSERT_TRUE(::GetDiskFreeSpaceExW(root.c_str(), &available, nullptr, nullptr));
    std::vector<std::wstring> paths = {m_dir.Path(), m_dir / L"missing\\deeper", root.substr(0, 2)};
    for (size_t length : kLongLengths)
        paths.push_back(PathOfLength(m_dir.Path(), length));
    for (const std::wstring& path : paths) {
        LONGLONG difference = osGetDiskFreeSpace(path.c_str()) - available.QuadPart;
        EXPECT_LT(difference < 0 ? -difference : difference, 1LL << 30) << Narrow(path);
    }
    for (const wchar_t* failing : {L"Q:\\photos\\2007", L"\\\\nosuchserver\\share\\dir", L""})
        EXPECT_EQ(osGetDiskFreeSpace(failing), 0) << Narrow(failing);
    EXPECT_EQ(osGetDiskFreeSpace(nullptr), 0);
}

TEST_F(Disk, DeletionAndCurrentDirectoryRefuseDevices) {
    EXPECT_TRUE(osDeleteFileEx((m_dir / L"a.txt").c_str()) && Existing({L"a.txt"}).empty());
    ::SetLastError(0xdeadbeef);
    EXPECT_FALSE(osDeleteFileEx((m_dir / L"a.txt").c_str()));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(osDeleteFileEx((m_dir / L"sub").c_str()) || osDeleteFileEx(nullptr));

    ostest::CurrentDirectoryKeeper keeper;
    ASSERT_TRUE(osChDriveDir((m_dir / L"sub").c_str()));
    EXPECT_FALSE(osChDriveDir((m_dir / L"missing").c_str()) || osChDriveDir(nullptr));
    // Device names are refused before the system is asked, so its last error stays.
    ::SetLastError(0xdeadbeef);
    EXPECT_FALSE(osDeleteFileEx((m_dir / L"nul").c_str()) || osChDriveDir(L"..\\aux"));
    EXPECT_EQ(::GetLastError(), 0xdeadbeefu);
    EXPECT_EQ(ostest::CurrentDirectory(), m_dir / L"sub");
}

TEST_F(Disk, MakingOneOrWithMissingParentsButNeverAnExistingOne) {
    EXPECT_TRUE(osMakeDir((m_dir / L"a\\").c_str()));
    EXPECT_FALSE(osMakeDir((m_dir / L"x\\y").c_str()));
    ::SetLastError(0xdeadbeef);
    EXPECT_FALSE(osMakeDir((m_dir / L"a").c_str()));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));

    std::wstring deep = m_dir / L"a\\b\\c";
    EXPECT_TRUE(osMakeDirEx((deep + L"\\").c_str()) && osExistsDir(deep.c_str()));
    EXPECT_FALSE(osMakeDirEx(deep.c_str()));
    // A device name at any level stops the creation there, before the system is asked.
    ::SetLastError(0xdeadbeef);
    EXPECT_FALSE(osMakeDir((m_dir / L"com1").c_str()));
    EXPECT_EQ(::GetLastError(), 0xdeadbeefu);
    EXPECT_FALSE(osMakeDirEx((m_dir / L"x\\nul\\y").c_str()));
    EXPECT_EQ(Existing({L"x"}), "x ");
    EXPECT_FALSE(osMakeDir(L"") || osMakeDir(nullptr) || osMakeDirEx(L"") || osMakeDirEx(nullptr));
}

TEST_F(Disk, PathsPastTheLimitAreRefusedNotCut) {
    for (size_t length : kLongLengths) {
        SCOPED_TRACE(length);
        std::wstring path = PathOfLength(m_dir.Path(), length);
        EXPECT_FALSE(osDeleteFileEx(path.c_str()) || osChDriveDir(path.c_str()));
        BOOL made = osMakeDirEx(path.c_str());
        // Whatever the system allows at 259, the answer matches the disk, and no cut name is made.
        EXPECT_TRUE(!made || length < MAX_PATH);
        EXPECT_EQ(!!made, ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES);
        EXPECT_FALSE(length >= MAX_PATH && osExistsPath(path.substr(0, MAX_PATH - 1).c_str()));
        EXPECT_FALSE(osMakeDir(path.c_str()));
        EXPECT_EQ(osRemoveDir(path.c_str()), made);
        // Nothing by these names exists: nothing to delete and nothing to list.
        EXPECT_TRUE(osRemoveDirEx(path.c_str(), TRUE, FALSE) && osIsDirEmtpy(path.c_str()));
        EXPECT_FALSE(osRemoveDirAndSubDirs(path.c_str(), FALSE));
    }
}

TEST_F(Disk, RemovingOneEmptyDirectoryAndTheCurrentOne) {
    ASSERT_TRUE(osMakeDirEx((m_dir / L"a\\b").c_str()));
    EXPECT_FALSE(osRemoveDir((m_dir / L"a").c_str()));
    EXPECT_TRUE(osRemoveDir((m_dir / L"a\\b\\").c_str()));
    EXPECT_TRUE(osRemoveDir((m_dir / L"a").c_str()) && Existing({L"a"}).empty());
    EXPECT_FALSE(osRemoveDir((m_dir / L"a").c_str()));
    EXPECT_FALSE(osRemoveDir(L"") || osRemoveDir(nullptr) || osRemoveDir(L"aux"));

    // The current directory steps to its parent, whether removed by full, relative or drive name.
    ostest::CurrentDirectoryKeeper keeper;
    using Row = std::pair<std::wstring, std::wstring>; // current, the name it is removed by
    for (const auto& [current, removed] :
         {Row{m_dir / L"a\\b", m_dir / L"a\\b"}, Row{m_dir / L"c", L"."},
          Row{m_dir / L"d", m_dir.Path().substr(0, 2) + L"."}}) {
        SCOPED_TRACE(Narrow(removed));
        ASSERT_TRUE(osMakeDirEx(current.c_str()) && ::SetCurrentDirectoryW(current.c_str()));
        EXPECT_TRUE(osRemoveDir(removed.c_str()));
        EXPECT_FALSE(osExistsPath(current.c_str()));
        EXPECT_EQ(ostest::CurrentDirectory(), current.substr(0, current.rfind(L'\\')));
    }
}

TEST_F(Disk, TreeRemovalByTheShellAndByTheOwnWalk) {
    // Only without undo: with it, the shell here moves the tree into the host's own trash.
    const auto tree = {
        L"top",        L"top\\file.txt",           L"top\\one",        L"top\\one\\two",
        L"top\\empty", L"top\\one\\two\\deep.txt", L"top\\one\\ro.txt"};
    EXPECT_TRUE(osRemoveDirAndSubDirs(MakeTree().c_str(), FALSE));
    EXPECT_EQ(Existing(tree), "");
    EXPECT_FALSE(osRemoveDirAndSubDirs((m_dir / L"missing").c_str(), FALSE));
    for (const wchar_t* refused : {L"C:\\", L"C:", L"\\\\", L"", (const wchar_t*)nullptr})
        EXPECT_FALSE(osRemoveDirAndSubDirs(refused, FALSE) || osRemoveDirEx(refused, TRUE, FALSE))
            << Narrow(refused ? refused : L"(null)");

    // The own walk keeps read-only files and their folders unless told to reset, or all folders.
    std::wstring top = MakeTree();
    EXPECT_FALSE(osRemoveDirEx(top.c_str(), FALSE, FALSE));
    EXPECT_EQ(Existing(tree), "top top\\one top\\one\\ro.txt ");
    EXPECT_TRUE(osRemoveDirEx(top.c_str(), TRUE, FALSE));
    EXPECT_EQ(Existing(tree), "");
    EXPECT_TRUE(osRemoveDirEx(MakeTree().c_str(), TRUE, TRUE));
    EXPECT_EQ(Existing(tree), "top top\\one top\\one\\two top\\empty ");
    // Nothing to remove is success; a plain file is no directory, and it stays.
    EXPECT_TRUE(osRemoveDirEx((m_dir / L"missing").c_str(), FALSE, FALSE));
    EXPECT_FALSE(osRemoveDirEx((m_dir / L"a.txt").c_str(), TRUE, FALSE));
    EXPECT_EQ(Existing({L"a.txt"}), "a.txt ");
}

TEST_F(Disk, EmptinessCountsHiddenEntries) {
    ASSERT_TRUE(osMakeDirEx((m_dir / L"d\\sub").c_str()) && osMakeDir((m_dir / L"h").c_str()));
    m_dir.WriteFile(L"h\\.h", "h");
    ::SetFileAttributesW((m_dir / L"h\\.h").c_str(), FILE_ATTRIBUTE_HIDDEN);
    using Row = std::pair<std::wstring, bool>;
    for (const auto& [path, empty] :
         {Row{m_dir / L"d\\sub\\", true}, Row{m_dir / L"d", false}, Row{m_dir / L"h", false},
          Row{m_dir / L"missing", true}, Row{m_dir / L"h\\.h", true}, Row{L"", true}})
        EXPECT_EQ(!!osIsDirEmtpy(path.c_str()), empty) << Narrow(path);
    EXPECT_TRUE(osIsDirEmtpy(nullptr));
}

// The resolved target, or "<none>" when resolving fails; the buffer's guard must hold.
std::wstring Resolve(const std::wstring& link, size_t size = MAX_PATH) {
    tutest::GuardedBuffer buffer(size, L"stale");
    const BOOL resolved =
        osResolveShortcut(nullptr, link.c_str(), buffer.Data(), static_cast<int>(size));
    EXPECT_TRUE(buffer.GuardIntact() && (resolved || buffer.Text().empty()));
    return resolved ? buffer.Text() : L"<none>";
}

TEST_F(Disk, ShortcutsResolveToTheLatestTargetOnlyIntoABufferThatHoldsIt) {
    ::CoInitialize(nullptr);
    m_dir.WriteFile(L"plain.lnk", "no shortcut inside");
    const std::wstring link = m_dir / L"go.lnk";
    const std::wstring first = m_dir / L"a.txt", second = m_dir / L"data.bin";
    ASSERT_TRUE(osCreateShortcut(first.c_str(), link.c_str(), L"the first"));
    EXPECT_EQ(first, Resolve(link));
    ASSERT_TRUE(osCreateShortcut(second.c_str(), link.c_str(), nullptr));
    EXPECT_EQ(second, Resolve(link));
    // Exactly large enough, then one character too small.
    EXPECT_EQ(second, Resolve(link, second.size() + 1));
    EXPECT_EQ(L"<none>", Resolve(link, second.size()));
    // Missing, not a shortcut, and files that cannot be written.
    EXPECT_EQ(L"<none>", Resolve(m_dir / L"missing.lnk"));
    EXPECT_EQ(L"<none>", Resolve(m_dir / L"plain.lnk"));
    EXPECT_FALSE(osCreateShortcut(first.c_str(), (m_dir / L"no\\such\\dir.lnk").c_str(), L""));
    const std::wstring tooLong = PathOfLength(m_dir.Path(), MAX_PATH) + L".lnk";
    EXPECT_FALSE(osCreateShortcut(first.c_str(), tooLong.c_str(), L""));
    EXPECT_FALSE(osCreateShortcut(nullptr, (m_dir / L"x.lnk").c_str(), L""));
    ::CoUninitialize();
}

} // namespace
