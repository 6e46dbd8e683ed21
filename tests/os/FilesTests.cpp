// Files: existence and access tests, file information and sizes, free space, deletion and the
// current directory, on real files in a fresh folder.
#include "tuFileSys.h"

#include "OsTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using tutest::Narrow;

class Files : public ::testing::Test {
protected:
    Files() {
        m_dir.WriteFile(L"data.bin", std::string(12345, 'd'));
        m_dir.WriteFile(L"a.txt", "alpha");
        ::CreateDirectoryW((m_dir / L"sub").c_str(), nullptr);
    }

    tutest::TempDir m_dir;
};

TEST_F(Files, ExistenceTestsKeepAwayFromDevices) {
    struct Row {
        std::wstring path;
        BOOL file, dir, path_, readable;
    };
    const Row rows[] = {
        {m_dir / L"data.bin", TRUE, FALSE, TRUE, TRUE},
        {m_dir / L"DATA.BIN", TRUE, FALSE, TRUE, TRUE},
        {m_dir / L"sub", FALSE, TRUE, TRUE, FALSE},
        {m_dir / L"sub\\", FALSE, TRUE, TRUE, FALSE},
        {m_dir.Path(), FALSE, TRUE, TRUE, FALSE},
        {m_dir / L"missing", FALSE, FALSE, FALSE, FALSE},
        {m_dir / L"sub\\missing\\x", FALSE, FALSE, FALSE, FALSE},
        {m_dir / L"*.bin", FALSE, FALSE, FALSE, FALSE},
        // The system answers for these devices; the library does not ask it.
        {m_dir / L"nul", FALSE, FALSE, FALSE, FALSE},
        {L"C:\\Temp\\nul", FALSE, FALSE, FALSE, FALSE},
        {L"LPT1", FALSE, FALSE, FALSE, FALSE},
        {L"CON", FALSE, FALSE, FALSE, FALSE},
        {L"Q:\\no\\such\\drive", FALSE, FALSE, FALSE, FALSE},
        {L"", FALSE, FALSE, FALSE, FALSE},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Narrow(row.path));
        EXPECT_EQ(!!osExistsFile(row.path.c_str()), !!row.file);
        EXPECT_EQ(!!osExistsDir(row.path.c_str()), !!row.dir);
        EXPECT_EQ(!!osExistsPath(row.path.c_str()), !!row.path_);
        EXPECT_EQ(!!osReadableFile(row.path.c_str()), !!row.readable);
    }
    EXPECT_FALSE(osExistsFile(nullptr));
    EXPECT_FALSE(osExistsDir(nullptr));
    EXPECT_FALSE(osExistsPath(nullptr));
    EXPECT_FALSE(osReadableFile(nullptr));
}

TEST_F(Files, PathsPastTheLimitNameNothing) {
    ostest::CurrentDirectoryKeeper keeper;
    for (size_t length : ostest::kLongLengths) {
        SCOPED_TRACE(length);
        std::wstring path = ostest::PathOfLength(m_dir.Path(), length);
        EXPECT_FALSE(osExistsFile(path.c_str()));
        EXPECT_FALSE(osExistsDir(path.c_str()));
        EXPECT_FALSE(osExistsPath(path.c_str()));
        EXPECT_FALSE(osReadableFile(path.c_str()));
        EXPECT_FALSE(osGetAccess(path.c_str(), 0));
        EXPECT_EQ(osGetFileSize(path.c_str()), -1);
        EXPECT_FALSE(osChDriveDir(path.c_str()));
    }
}

TEST_F(Files, AttributeReadsLeaveTheErrorModeAsItWas) {
    UINT before = ::SetErrorMode(SEM_NOOPENFILEERRORBOX);
    osExistsFile((m_dir / L"data.bin").c_str());
    osExistsDir((m_dir / L"missing").c_str());
    EXPECT_EQ(::SetErrorMode(before), static_cast<UINT>(SEM_NOOPENFILEERRORBOX));
}

TEST_F(Files, AFileOpenedExclusivelyIsNotReadable) {
    std::wstring path = m_dir / L"a.txt";
    HANDLE locked =
        ::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(osExistsFile(path.c_str()));
    EXPECT_FALSE(osReadableFile(path.c_str()));
    ::CloseHandle(locked);
    EXPECT_TRUE(osReadableFile(path.c_str()));
}

TEST_F(Files, AccessByMode) {
    std::wstring readOnly = m_dir / L"ro.txt";
    m_dir.WriteFile(L"ro.txt", "r");
    ::SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    struct Row {
        std::wstring path;
        int mode;
        BOOL allowed;
    };
    const Row rows[] = {
        {m_dir / L"a.txt", 0, TRUE},  {m_dir / L"a.txt", 2, TRUE},   {m_dir / L"a.txt", 4, TRUE},
        {m_dir / L"a.txt", 6, TRUE},  {readOnly, 0, TRUE},           {readOnly, 2, FALSE},
        {readOnly, 4, TRUE},          {readOnly, 6, FALSE},          {m_dir / L"missing", 0, FALSE},
        {m_dir / L"a.txt", 1, FALSE}, {m_dir / L"a.txt", -1, FALSE},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Narrow(row.path) + " mode " + std::to_string(row.mode));
        EXPECT_EQ(!!osGetAccess(row.path.c_str(), row.mode), !!row.allowed);
    }
    EXPECT_FALSE(osGetAccess(nullptr, 0));
    ::SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Files, SizesOfFilesDirectoriesAndPatterns) {
    struct Row {
        std::wstring path;
        LONGLONG size;
    };
    const Row rows[] = {
        {m_dir / L"data.bin", 12345}, {m_dir / L"a.txt", 5},
        {m_dir / L"*.txt", 5},        {m_dir / L"d?ta.*", 12345},
        {m_dir / L"missing", -1},     {m_dir / L"*.none", -1},
        {m_dir / L"sub", 0},          {L"", -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Narrow(row.path));
        EXPECT_EQ(osGetFileSize(row.path.c_str()), row.size);
    }
    EXPECT_EQ(osGetFileSize(nullptr), -1);
}

TEST_F(Files, SizesBeyondFourGigabytesAddTheHighPart) {
    // A sparse file: its end is set far out without writing the bytes.
    std::wstring path = m_dir / L"big.bin";
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    LARGE_INTEGER end;
    end.QuadPart = (5LL << 30) + 7;
    bool grown = ::SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && ::SetEndOfFile(file);
    ::CloseHandle(file);
    if (!grown)
        GTEST_SKIP() << "the file system here cannot hold a file of 5 GB";
    EXPECT_EQ(osGetFileSize(path.c_str()), end.QuadPart);
}

TEST_F(Files, InformationOfTheFirstMatch) {
    WIN32_FIND_DATAW info;
    ASSERT_TRUE(osGetFileInformation((m_dir / L"data.*").c_str(), info));
    EXPECT_STREQ(info.cFileName, L"data.bin");
    EXPECT_EQ(info.nFileSizeLow, 12345u);

    WIN32_FIND_DATAW untouched;
    memset(&untouched, 0xcc, sizeof untouched);
    EXPECT_FALSE(osGetFileInformation((m_dir / L"missing").c_str(), untouched));
    EXPECT_FALSE(osGetFileInformation(nullptr, untouched));
    EXPECT_EQ(untouched.dwFileAttributes, 0xccccccccu);
}

TEST_F(Files, FreeSpaceOfTheVolume) {
    ULARGE_INTEGER available;
    std::wstring root = m_dir.Path().substr(0, 3);
    ASSERT_TRUE(::GetDiskFreeSpaceExW(root.c_str(), &available, nullptr, nullptr));
    // Other processes write to the volume too, so the answers are compared loosely.
    LONGLONG expected = static_cast<LONGLONG>(available.QuadPart);
    for (const std::wstring& path : {m_dir.Path(), m_dir / L"missing\\deeper", root.substr(0, 2)}) {
        SCOPED_TRACE(Narrow(path));
        LONGLONG free = osGetDiskFreeSpace(path.c_str());
        EXPECT_GT(free, 0);
        EXPECT_LT(free > expected ? free - expected : expected - free, 1LL << 30);
    }
    // Only the volume's root matters, so paths past the limit still name it.
    for (size_t length : ostest::kLongLengths) {
        SCOPED_TRACE(length);
        EXPECT_GT(osGetDiskFreeSpace(ostest::PathOfLength(m_dir.Path(), length).c_str()), 0);
    }
    EXPECT_EQ(osGetDiskFreeSpace(L"Q:\\photos\\2007"), 0);
    EXPECT_EQ(osGetDiskFreeSpace(L"\\\\nosuchserver\\share\\dir"), 0);
    EXPECT_EQ(osGetDiskFreeSpace(L""), 0);
    EXPECT_EQ(osGetDiskFreeSpace(nullptr), 0);
}

TEST_F(Files, DeletionRefusesDevicesAndMissingFiles) {
    EXPECT_TRUE(osDeleteFileEx((m_dir / L"a.txt").c_str()));
    EXPECT_FALSE(osExistsPath((m_dir / L"a.txt").c_str()));
    ::SetLastError(0xdeadbeef);
    EXPECT_FALSE(osDeleteFileEx((m_dir / L"a.txt").c_str()));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    ::SetLastError(0xdeadbeef);
    EXPECT_FALSE(osDeleteFileEx((m_dir / L"nul").c_str()));
    EXPECT_EQ(::GetLastError(), 0xdeadbeefu);
    EXPECT_FALSE(osDeleteFileEx((m_dir / L"sub").c_str()));
    EXPECT_FALSE(osDeleteFileEx(nullptr));
    for (size_t length : ostest::kLongLengths)
        EXPECT_FALSE(osDeleteFileEx(ostest::PathOfLength(m_dir.Path(), length).c_str())) << length;
}

TEST_F(Files, ChangingTheCurrentDirectory) {
    ostest::CurrentDirectoryKeeper keeper;
    ASSERT_TRUE(osChDriveDir((m_dir / L"sub").c_str()));
    wchar_t current[MAX_PATH];
    ::GetCurrentDirectoryW(MAX_PATH, current);
    EXPECT_EQ(std::wstring(current), m_dir / L"sub");
    EXPECT_TRUE(osExistsFile(L"..\\a.txt"));

    ::SetLastError(0xdeadbeef);
    EXPECT_FALSE(osChDriveDir(L"..\\aux"));
    EXPECT_EQ(::GetLastError(), 0xdeadbeefu);
    EXPECT_FALSE(osChDriveDir((m_dir / L"missing").c_str()));
    EXPECT_FALSE(osChDriveDir(nullptr));
    ::GetCurrentDirectoryW(MAX_PATH, current);
    EXPECT_EQ(std::wstring(current), m_dir / L"sub");
}

} // namespace
