// Files: existence and access tests, file information and sizes, free space, deletion and the
// current directory, on real files in a fresh folder.
#include "tuFileSys.h"

#include "OsTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using tutest::Narrow;

class Files : public ::testing::Test {
protected:
    Files() {
        m_dir.WriteFile(L"data.bin", std::string(12345, 'd'));
        m_dir.WriteFile(L"a.txt", "alpha");
        m_dir.WriteFile(L"ro.txt", "r");
        ::SetFileAttributesW((m_dir / L"ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
        ::CreateDirectoryW((m_dir / L"sub").c_str(), nullptr);
    }
    ~Files() override { ::SetFileAttributesW((m_dir / L"ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL); }

    tutest::TempDir m_dir;
};

TEST_F(Files, ExistenceTestsKeepAwayFromDevices) {
    struct Row {
        std::wstring path;
        bool file, dir, readable;
    };
    std::vector<Row> rows = {
        {m_dir / L"DATA.BIN", 1, 0, 1},
        {m_dir / L"sub", 0, 1, 0},
        {m_dir / L"sub\\", 0, 1, 0},
        {m_dir / L"missing", 0, 0, 0},
        {m_dir / L"*.bin", 0, 0, 0},
        {L"Q:\\no\\such\\drive", 0, 0, 0},
        {L"", 0, 0, 0},
        // The system would answer for these devices; the library does not ask it.
        {m_dir / L"nul", 0, 0, 0},
        {L"C:\\Temp\\nul", 0, 0, 0},
        {L"LPT1", 0, 0, 0},
        {L"CON", 0, 0, 0},
    };
    for (size_t length : ostest::kLongLengths)
        rows.push_back({ostest::PathOfLength(m_dir.Path(), length), 0, 0, 0});
    UINT errorMode = ::SetErrorMode(SEM_NOOPENFILEERRORBOX);
    for (const Row& row : rows) {
        SCOPED_TRACE(Narrow(row.path));
        EXPECT_EQ(!!osExistsFile(row.path.c_str()), row.file);
        EXPECT_EQ(!!osExistsDir(row.path.c_str()), row.dir);
        EXPECT_EQ(!!osExistsPath(row.path.c_str()), row.file || row.dir);
        EXPECT_EQ(!!osReadableFile(row.path.c_str()), row.readable);
    }
    // The error mode switched around the attribute reads is back as it was.
    EXPECT_EQ(::SetErrorMode(errorMode), static_cast<UINT>(SEM_NOOPENFILEERRORBOX));
    EXPECT_FALSE(osExistsFile(nullptr) || osExistsDir(nullptr) || osExistsPath(nullptr) ||
                 osReadableFile(nullptr));
}

TEST_F(Files, ReadabilityAndAccessModes) {
    std::wstring path = m_dir / L"a.txt";
    HANDLE locked =
        ::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(osReadableFile(path.c_str()));
    ::CloseHandle(locked);
    EXPECT_TRUE(osReadableFile(path.c_str()));

    // Modes 0, 2, 4, 6 against a writable and a read-only file; other modes are refused.
    const bool writable[] = {1, 1, 1, 1}, readOnly[] = {1, 0, 1, 0};
    for (int mode = 0; mode <= 6; mode += 2) {
        SCOPED_TRACE(mode);
        EXPECT_EQ(!!osGetAccess(path.c_str(), mode), writable[mode / 2]);
        EXPECT_EQ(!!osGetAccess((m_dir / L"ro.txt").c_str(), mode), readOnly[mode / 2]);
    }
    EXPECT_FALSE(osGetAccess(path.c_str(), 1) || osGetAccess(path.c_str(), -1));
    EXPECT_FALSE(osGetAccess((m_dir / L"missing").c_str(), 0) || osGetAccess(nullptr, 0));
    // The access test has no device guard: the runtime sees the device.
    EXPECT_TRUE(osGetAccess(L"NUL", 0));
}

TEST_F(Files, SizesAndInformationOfTheFirstMatch) {
    struct Row {
        std::wstring path;
        LONGLONG size;
    };
    for (const Row& row :
         {Row{m_dir / L"data.bin", 12345}, Row{m_dir / L"*.txt", 5}, Row{m_dir / L"d?ta.*", 12345},
          Row{m_dir / L"missing", -1}, Row{m_dir / L"sub", 0}, Row{L"", -1},
          Row{ostest::PathOfLength(m_dir.Path(), 1000), -1}}) {
        SCOPED_TRACE(Narrow(row.path));
        EXPECT_EQ(osGetFileSize(row.path.c_str()), row.size);
    }
    EXPECT_EQ(osGetFileSize(nullptr), -1);

    WIN32_FIND_DATAW info;
    ASSERT_TRUE(osGetFileInformation((m_dir / L"data.*").c_str(), info));
    EXPECT_STREQ(info.cFileName, L"data.bin");
    memset(&info, 0xcc, sizeof info);
    EXPECT_FALSE(osGetFileInformation((m_dir / L"missing").c_str(), info));
    EXPECT_FALSE(osGetFileInformation(nullptr, info));
    EXPECT_EQ(info.dwFileAttributes, 0xccccccccu);
}

TEST_F(Files, SizesBeyondFourGigabytesAddTheHighPart) {
    // A sparse file: its end is set far out without writing the bytes.
    std::wstring path = m_dir / L"big.bin";
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = (5LL << 30) + 7;
    bool grown = ::SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && ::SetEndOfFile(file);
    ::CloseHandle(file);
    if (!grown)
        GTEST_SKIP() << "the file system here cannot hold a file of 5 GB";
    EXPECT_EQ(osGetFileSize(path.c_str()), end.QuadPart);
}

TEST_F(Files, FreeSpaceOfTheVolume) {
    ULARGE_INTEGER available;
    std::wstring root = m_dir.Path().substr(0, 3);
    ASSERT_TRUE(::GetDiskFreeSpaceExW(root.c_str(), &available, nullptr, nullptr));
    std::vector<std::wstring> paths = {m_dir.Path(), m_dir / L"missing\\deeper", root.substr(0, 2)};
    // Only the volume's root matters, so paths past the limit still name it.
    for (size_t length : ostest::kLongLengths)
        paths.push_back(ostest::PathOfLength(m_dir.Path(), length));
    for (const std::wstring& path : paths) {
        SCOPED_TRACE(Narrow(path));
        // Other processes write to the volume too, so the answers are compared loosely.
        LONGLONG difference = osGetDiskFreeSpace(path.c_str()) - available.QuadPart;
        EXPECT_LT(difference < 0 ? -difference : difference, 1LL << 30);
    }
    for (const wchar_t* failing : {L"Q:\\photos\\2007", L"\\\\nosuchserver\\share\\dir", L""})
        EXPECT_EQ(osGetDiskFreeSpace(failing), 0) << Narrow(failing);
    EXPECT_EQ(osGetDiskFreeSpace(nullptr), 0);
}

TEST_F(Files, DeletionAndCurrentDirectoryRefuseDevices) {
    EXPECT_TRUE(osDeleteFileEx((m_dir / L"a.txt").c_str()));
    EXPECT_FALSE(osExistsPath((m_dir / L"a.txt").c_str()));
    ::SetLastError(0xdeadbeef);
    EXPECT_FALSE(osDeleteFileEx((m_dir / L"a.txt").c_str()));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(osDeleteFileEx((m_dir / L"sub").c_str()) || osDeleteFileEx(nullptr));

    ostest::CurrentDirectoryKeeper keeper;
    ASSERT_TRUE(osChDriveDir((m_dir / L"sub").c_str()));
    EXPECT_TRUE(osExistsFile(L"..\\data.bin"));
    EXPECT_FALSE(osChDriveDir((m_dir / L"missing").c_str()) || osChDriveDir(nullptr));
    for (size_t length : ostest::kLongLengths) {
        std::wstring path = ostest::PathOfLength(m_dir.Path(), length);
        EXPECT_FALSE(osDeleteFileEx(path.c_str()) || osChDriveDir(path.c_str())) << length;
    }
    // Device names are refused before the system is asked, so its last error stays.
    ::SetLastError(0xdeadbeef);
    EXPECT_FALSE(osDeleteFileEx((m_dir / L"nul").c_str()) || osChDriveDir(L"..\\aux"));
    EXPECT_EQ(::GetLastError(), 0xdeadbeefu);
    wchar_t current[MAX_PATH];
    ::GetCurrentDirectoryW(MAX_PATH, current);
    EXPECT_EQ(std::wstring(current), m_dir / L"sub");
}

} // namespace
