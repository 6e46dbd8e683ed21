// Removals that stay inside their tree: links out of it, roots in every spelling, children named
// like devices; the device guard on long paths and the thread-local error mode.
#include "tuFileSys.h"

#include "OsTestSupport.h"
#include "TestSupport.h"
#include "common/WindowsSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <tuple>
#include <vector>

namespace {

using tutest::Narrow;
using tutest::RunUnix;
using tutest::UnixPathOf;

bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring Quoted(const std::string& text) {
    return L"\"" + std::wstring(text.begin(), text.end()) + L"\"";
}

// A Unix symbolic link at `link` to the folder `target` (Windows paths).
bool MakeLink(const std::wstring& target, const std::wstring& link) {
    std::string from = UnixPathOf(target), to = UnixPathOf(link);
    return !from.empty() && !to.empty() &&
           RunUnix(L"ln", L"-s " + Quoted(from) + L" " + Quoted(to),
                   [&link] { return Exists(link); });
}

struct Removal : ::testing::Test {
    void SetUp() override {
        if (UnixPathOf(m_dir.Path()).empty())
            GTEST_SKIP() << "links are made through Wine's view of Unix";
    }
    // outside\keep.txt, outside\inner\deep.txt, top\file.txt, top\sub\x.txt, top\sub\link: top.
    std::wstring MakeTreeWithLink() {
        for (const wchar_t* folder : {L"outside\\inner", L"top\\sub"})
            osMakeDirEx((m_dir / folder).c_str());
        for (const wchar_t* file : {L"outside\\keep.txt", L"outside\\inner\\deep.txt",
                                    L"top\\file.txt", L"top\\sub\\x.txt"})
            m_dir.WriteFile(file, "x");
        EXPECT_TRUE(MakeLink(m_dir / L"outside", m_dir / L"top\\sub\\link"));
        EXPECT_TRUE(::GetFileAttributesW((m_dir / L"top\\sub\\link").c_str()) &
                    FILE_ATTRIBUTE_REPARSE_POINT);
        return m_dir / L"top";
    }
    void ExpectOutsideWhole() {
        for (const wchar_t* kept : {L"outside\\keep.txt", L"outside\\inner\\deep.txt"})
            EXPECT_TRUE(Exists(m_dir / kept)) << Narrow(kept);
    }

    tutest::TempDir m_dir;
};

// A link the system cannot remove as itself (a Unix link in Wine) stays, and the removal fails.
TEST_F(Removal, LinksAreRemovedAsThemselvesInEveryForm) {
    enum Form { kAll, kKeepingDirectories, kByTheShell };
    for (Form form : {kAll, kKeepingDirectories, kByTheShell}) {
        SCOPED_TRACE(form);
        std::wstring top = MakeTreeWithLink();
        BOOL removed = form == kByTheShell
                           ? osRemoveDirAndSubDirs(top.c_str(), FALSE)
                           : osRemoveDirEx(top.c_str(), TRUE, form == kKeepingDirectories);
        ExpectOutsideWhole();
        // A refused shell removal leaves everything; only keeping directories keeps them otherwise.
        EXPECT_EQ(std::make_tuple(Exists(top + L"\\sub\\link"), Exists(top + L"\\file.txt"),
                                  Exists(top + L"\\sub")),
                  std::make_tuple(!removed, !removed && form == kByTheShell,
                                  !removed || form == kKeepingDirectories));
        RunUnix(L"rm", Quoted(UnixPathOf(top + L"\\sub\\link")),
                [&top] { return !Exists(top + L"\\sub\\link"); });
        tutest::RemoveTree(top);
        ExpectOutsideWhole();
    }
    // A path that is itself a link removes the link alone, or nothing.
    ASSERT_TRUE(MakeLink(m_dir / L"outside", m_dir / L"alias"));
    EXPECT_TRUE(osRemoveDirEx((m_dir / L"alias").c_str(), TRUE, TRUE) && Exists(m_dir / L"alias"));
    EXPECT_EQ(!!osRemoveDirEx((m_dir / L"alias").c_str(), TRUE, FALSE), !Exists(m_dir / L"alias"));
    ExpectOutsideWhole();
}

TEST_F(Removal, RootsAreRefusedInEverySpelling) {
    // A free drive letter mapped to a scratch folder through a link in the prefix's dosdevices.
    wchar_t letter = L'Q';
    while (letter > L'D' &&
           ::GetDriveTypeW((std::wstring(1, letter) + L":\\").c_str()) != DRIVE_NO_ROOT_DIR)
        --letter;
    std::string cDrive = UnixPathOf(L"C:\\");
    ASSERT_GT(cDrive.size(), 3u);
    std::string mapping = cDrive.substr(0, cDrive.size() - 3) + char(towlower(letter)) + ":";
    const std::wstring drive = {letter, L':'};
    ASSERT_TRUE(RunUnix(L"ln", L"-sfn " + Quoted(UnixPathOf(m_dir.Path())) + L" " + Quoted(mapping),
                        [&drive] { return Exists(drive + L"\\"); }));
    m_dir.WriteFile(L"keep.txt", "k");
    ::CreateDirectoryW((m_dir / L"sub").c_str(), nullptr);
    m_dir.WriteFile(L"sub\\x.txt", "x");
    ASSERT_TRUE(Exists(drive + L"\\sub\\x.txt"));

    ostest::CurrentDirectoryKeeper keeper;
    ::SetCurrentDirectoryW((drive + L"\\sub").c_str());
    std::vector<std::wstring> roots = {L"\\", L"\\\\server\\share", L"\\\\server\\share\\",
                                       L"\\\\.\\Q:\\sub"};
    for (const wchar_t* tail : {L"\\.", L"\\sub\\..", L"/", L"\\sub\\..\\", L"", L"\\", L"\\*",
                                L"\\sub\\*.txt", L"\\su?"})
        roots.insert(roots.end(), {drive + tail, L"\\\\?\\" + drive + tail});
    for (const std::wstring& path : roots)
        EXPECT_FALSE(osRemoveDirEx(path.c_str(), TRUE, FALSE) ||
                     osRemoveDirAndSubDirs(path.c_str(), FALSE))
            << Narrow(path);
    EXPECT_TRUE(Exists(m_dir / L"keep.txt") && Exists(m_dir / L"sub\\x.txt"));
    ::SetCurrentDirectoryW(keeper.path.c_str());
    EXPECT_TRUE(RunUnix(L"rm", Quoted(mapping), [&drive] { return !Exists(drive + L"\\"); }));
}

TEST_F(Removal, ChildrenNamedLikeDevicesAndPastTheLimitAreWalked) {
    std::wstring top = L"\\\\?\\" + (m_dir / L"top");
    std::wstring deep = top + L"\\" + std::wstring(120, L'd') + L"\\" + std::wstring(120, L'e');
    for (const std::wstring& folder : {top, top + L"\\ept", top + L"\\clock$", top + L"\\aux.d",
                                       deep.substr(0, deep.rfind(L'\\')), deep}) {
        ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr)) << Narrow(folder);
        const tu::UniqueHandle file(::CreateFileW((folder + L"\\con.txt").c_str(), GENERIC_WRITE, 0,
                                                  nullptr, CREATE_NEW, 0, nullptr));
        ASSERT_TRUE(file);
    }
    EXPECT_TRUE(osRemoveDirEx((m_dir / L"top").c_str(), TRUE, TRUE));
    EXPECT_TRUE(Exists(deep) && Exists(top + L"\\aux.d"));
    EXPECT_FALSE(Exists(deep + L"\\con.txt") || Exists(top + L"\\aux.d\\con.txt") ||
                 Exists(top + L"\\ept\\con.txt"));
    EXPECT_TRUE(osRemoveDirEx((m_dir / L"top").c_str(), TRUE, FALSE));
    EXPECT_FALSE(Exists(top));
}

// The guard reads past 259 characters; the existence tests' error mode stays in their thread.
TEST(DeviceGuard, SeesTheWholePathAndKeepsTheProcessErrorMode) {
    for (size_t length : {259u, 260u, 1000u, 40000u}) {
        std::wstring path = ostest::PathOfLength(L"C:\\x", length - 4);
        EXPECT_FALSE(osIsReservedFileName(path.c_str())) << length;
        EXPECT_TRUE(osIsReservedFileName((path + L"\\nul").c_str())) << length;
    }
    UINT previous = ::SetErrorMode(0);
    std::atomic<bool> stop{false}, switchedOn{false};
    auto hammer = [&stop] {
        while (!stop)
            osExistsPath(L"Q:\\no\\such") || osExistsDir(L"C:\\");
    };
    std::thread first(hammer), second(hammer);
    for (DWORD start = ::GetTickCount(); ::GetTickCount() - start < 300;)
        switchedOn = switchedOn || (::GetErrorMode() & SEM_FAILCRITICALERRORS);
    stop = true;
    first.join();
    second.join();
    EXPECT_FALSE(switchedOn);
    ::SetErrorMode(previous);
}

} // namespace
