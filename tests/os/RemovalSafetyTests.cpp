// Removals that stay inside their tree: links of every kind out of it (a model over random
// trees, a race against a folder swapped for a link), roots in every spelling, children named
// like devices; what the removals answer for paths that are no directory; the device guard on
// long paths and the thread-local error mode.
#include "tuFileSys.h"

#include "OsTestSupport.h"
#include "TestSupport.h"
#include "common/WindowsSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <random>
#include <set>
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

// True when the directory lists the entry itself (a link is not followed).
bool Listed(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    return static_cast<bool>(tu::UniqueFind(::FindFirstFileW(path.c_str(), &found)));
}

std::wstring Quoted(const std::string& text) {
    return L"\"" + std::wstring(text.begin(), text.end()) + L"\"";
}

// A Unix symbolic link at `link` to the file or folder `target` (Windows paths).
bool MakeLink(const std::wstring& target, const std::wstring& link) {
    std::string from = UnixPathOf(target), to = UnixPathOf(link);
    return !from.empty() && !to.empty() &&
           RunUnix(L"ln", L"-s " + Quoted(from) + L" " + Quoted(to),
                   [&link] { return Exists(link); });
}

// Name, size, attributes and content hash of every file under a folder; links are not followed
// and the top-level entry named `skipped` is left out.
using Snapshot = std::map<std::wstring, std::tuple<ULONGLONG, DWORD, uint64_t>>;

uint64_t HashOf(const std::wstring& path) {
    uint64_t hash = 14695981039346656037ull;
    tu::UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
    unsigned char bytes[4096];
    DWORD read = 0;
    while (file && ::ReadFile(file.get(), bytes, sizeof bytes, &read, nullptr) && read > 0)
        for (DWORD i = 0; i < read; ++i)
            hash = (hash ^ bytes[i]) * 1099511628211ull;
    return hash;
}

void AddFiles(const std::wstring& folder, const std::wstring& skipped, Snapshot& snapshot) {
    WIN32_FIND_DATAW found;
    tu::UniqueFind find(::FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (!find)
        return;
    do {
        std::wstring name = found.cFileName, path = folder + L"\\" + name;
        if (name == L"." || name == L".." || name == skipped)
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            AddFiles(path, L"", snapshot);
        else
            snapshot[path] = {ULONGLONG(found.nFileSizeHigh) << 32 | found.nFileSizeLow,
                              found.dwFileAttributes, HashOf(path)};
    } while (::FindNextFileW(find.get(), &found));
}

Snapshot SnapshotOf(const std::wstring& folder, const std::wstring& skipped = L"") {
    Snapshot snapshot;
    AddFiles(folder, skipped, snapshot);
    return snapshot;
}

// Removes a folder that holds Unix links from the Unix side, which never follows them.
bool RemoveWithLinks(const std::wstring& folder) {
    return RunUnix(L"rm", L"-rf " + Quoted(UnixPathOf(folder)),
                   [&folder] { return !Exists(folder); });
}

struct Removal : ::testing::Test {
    void SetUp() override {
        if (UnixPathOf(m_dir.Path()).empty())
            GTEST_SKIP() << "links are made through Wine's view of Unix";
    }
    // outside\keep.txt, outside\inner\deep.txt, top\file.txt, top\sub\x.txt, and two links:
    // top\sub\link to the folder outside, top\sub\flink to outside\keep.txt.
    std::wstring MakeTreeWithLinks() {
        for (const wchar_t* folder : {L"outside\\inner", L"top\\sub"})
            osMakeDirEx((m_dir / folder).c_str());
        for (const wchar_t* file : {L"outside\\keep.txt", L"outside\\inner\\deep.txt",
                                    L"top\\file.txt", L"top\\sub\\x.txt"})
            m_dir.WriteFile(file, "x");
        m_outside = SnapshotOf(m_dir / L"outside");
        EXPECT_TRUE(MakeLink(m_dir / L"outside", m_dir / L"top\\sub\\link"));
        EXPECT_TRUE(MakeLink(m_dir / L"outside\\keep.txt", m_dir / L"top\\sub\\flink"));
        EXPECT_TRUE(::GetFileAttributesW((m_dir / L"top\\sub\\link").c_str()) &
                    FILE_ATTRIBUTE_REPARSE_POINT);
        return m_dir / L"top";
    }
    void ExpectOutsideWhole() { EXPECT_EQ(SnapshotOf(m_dir / L"outside"), m_outside); }

    tutest::TempDir m_dir;
    Snapshot m_outside;
};

// A link the system cannot remove as itself (a Unix link in Wine, to a folder or to a file)
// stays, and the removal fails.
TEST_F(Removal, LinksAreRemovedAsThemselvesInEveryForm) {
    enum Form { kAll, kKeepingDirectories, kByTheShell };
    for (Form form : {kAll, kKeepingDirectories, kByTheShell}) {
        SCOPED_TRACE(form);
        std::wstring top = MakeTreeWithLinks();
        BOOL removed = form == kByTheShell
                           ? osRemoveDirAndSubDirs(top.c_str(), FALSE)
                           : osRemoveDirEx(top.c_str(), TRUE, form == kKeepingDirectories);
        ExpectOutsideWhole();
        // A refused shell removal leaves everything; only keeping directories keeps them otherwise.
        EXPECT_EQ(std::make_tuple(Listed(top + L"\\sub\\link"), Listed(top + L"\\sub\\flink"),
                                  Exists(top + L"\\file.txt"), Exists(top + L"\\sub")),
                  std::make_tuple(!removed, !removed, !removed && form == kByTheShell,
                                  !removed || form == kKeepingDirectories));
        EXPECT_FALSE(osDeleteFileEx((top + L"\\sub\\flink").c_str()));
        ExpectOutsideWhole();
        ASSERT_TRUE(RemoveWithLinks(top));
    }
    // A path that is itself a link removes the link alone, or nothing.
    ASSERT_TRUE(MakeLink(m_dir / L"outside", m_dir / L"alias"));
    EXPECT_TRUE(osRemoveDirEx((m_dir / L"alias").c_str(), TRUE, TRUE) && Exists(m_dir / L"alias"));
    EXPECT_EQ(!!osRemoveDirEx((m_dir / L"alias").c_str(), TRUE, FALSE), !Exists(m_dir / L"alias"));
    ExpectOutsideWhole();
    // Removing a link to an empty folder alone never removes that folder.
    ::CreateDirectoryW((m_dir / L"empty").c_str(), nullptr);
    ASSERT_TRUE(MakeLink(m_dir / L"empty", m_dir / L"emptyAlias"));
    EXPECT_EQ(!!osRemoveDir((m_dir / L"emptyAlias").c_str()), !Listed(m_dir / L"emptyAlias"));
    EXPECT_TRUE(Listed(m_dir / L"empty"));
    for (const wchar_t* link : {L"alias", L"emptyAlias"})
        RemoveWithLinks(m_dir / link);
}

// Where the path is no directory, each removal answers as its steps give: keeping directories
// finds no files in a file (TRUE, the file stays); a device's name leads to nothing to delete
// (TRUE, also when an entry of that name exists through \\?\); the shell deletes a file.
TEST(RemovalOfNoDirectory, AnswersAsItsStepsGive) {
    tutest::TempDir dir;
    dir.WriteFile(L"a.txt", "a");
    const std::wstring file = dir / L"a.txt", device = L"\\\\?\\" + (dir / L"aux.d");
    ASSERT_TRUE(::CreateDirectoryW(device.c_str(), nullptr));
    tu::UniqueHandle(::CreateFileW((device + L"\\in").c_str(), GENERIC_WRITE, 0, nullptr,
                                   CREATE_NEW, 0, nullptr));
    using Row = std::tuple<const char*, BOOL, bool, bool>; // call, result, entry stays, should
    for (const auto& [call, result, stays, shouldStay] :
         {Row{"keeping directories on a file", osRemoveDirEx(file.c_str(), TRUE, TRUE),
              Exists(file), true},
          Row{"on a device name", osRemoveDirEx((dir / L"aux.d").c_str(), TRUE, FALSE),
              Exists(device + L"\\in"), true},
          Row{"on nul", osRemoveDirEx((dir / L"nul").c_str(), FALSE, TRUE), true, true},
          Row{"the shell on a file", osRemoveDirAndSubDirs(file.c_str(), FALSE), Exists(file),
              false}})
        EXPECT_TRUE(result && stays == shouldStay) << call;
    ::DeleteFileW((device + L"\\in").c_str());
    ::RemoveDirectoryW(device.c_str());
}

// A path in short (8.3) names is checked against the entry's long name, not refused.
TEST(RemovalByShortName, ReachesTheEntryNamed) {
    tutest::TempDir dir;
    dir.WriteFile(L"a long file name.text", "a");
    ASSERT_TRUE(::CreateDirectoryW((dir / L"a long folder name").c_str(), nullptr));
    for (const wchar_t* name : {L"a long file name.text", L"a long folder name"}) {
        wchar_t shortPath[MAX_PATH];
        ASSERT_TRUE(::GetShortPathNameW((dir / name).c_str(), shortPath, MAX_PATH));
        EXPECT_TRUE(osDeleteFileEx(shortPath) || osRemoveDir(shortPath)) << Narrow(shortPath);
        EXPECT_FALSE(Exists(dir / name));
    }
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

// An entry of a random tree. Links are asked for while the tree is made and made afterwards, all
// at once, from the Unix side.
struct Node {
    enum Kind { kFolder, kFile, kReadOnly, kLink } kind;
    std::wstring path;  // extended form
    bool inReachByName; // the shell would reach it (and its folders) by its plain name
    std::vector<Node> children;
};

// Random trees base\<i>\T, each beside what lies outside it: base\<i>\near.txt (in an
// ancestor of the tree) and base\<i>\out with f.txt, the read-only ro.txt and od\g.txt. Names:
// plain, past MAX_PATH, with trailing dots or spaces, and like devices (made through \\?\).
// Links lead to those files, to out\od, to base\<i> (an ancestor) and to the tree itself.
class RandomTrees {
public:
    RandomTrees(const std::wstring& base, unsigned seed)
        : m_base(base), m_unixBase(UnixPathOf(base)), m_random(seed) {
        ::CreateDirectoryW(base.c_str(), nullptr);
    }
    unsigned Pick(unsigned low, unsigned high) {
        return std::uniform_int_distribution<unsigned>(low, high)(m_random);
    }
    Node Make(unsigned index) {
        std::wstring folder = m_base + L"\\" + std::to_wstring(index);
        for (const wchar_t* name : {L"", L"\\out", L"\\out\\od"})
            ::CreateDirectoryW((folder + name).c_str(), nullptr);
        for (const wchar_t* name : {L"\\near.txt", L"\\out\\f.txt", L"\\out\\od\\g.txt"})
            File(folder + name, 0);
        File(folder + L"\\out\\ro.txt", FILE_ATTRIBUTE_READONLY);
        m_fileTargets = {folder + L"\\near.txt", folder + L"\\out\\f.txt",
                         folder + L"\\out\\ro.txt"};
        m_folderTargets = {folder + L"\\out\\od", folder, folder + L"\\T"};
        m_plainNames = Pick(0, 1) == 0;
        m_links = Pick(0, 1) == 0;
        return Folder(L"\\\\?\\" + folder + L"\\T", true, 0);
    }
    // Makes every link asked for so far.
    bool MakeLinks() {
        std::wstring script = m_base + L"\\links.sh", done = m_base + L"\\links.done";
        std::ofstream(script.c_str(), std::ios::binary)
            << m_script << "touch '" << Unix(done) << "'\n";
        return RunUnix(L"sh", Quoted(Unix(script)), [&done] { return Exists(done); });
    }

private:
    std::string Unix(const std::wstring& path) const {
        std::wstring relative = path.substr(path.find(m_base) + m_base.size());
        std::string unix = m_unixBase;
        for (wchar_t c : relative)
            unix += c == L'\\' ? '/' : char(c);
        return unix;
    }
    void File(const std::wstring& path, DWORD attributes) {
        tu::UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                            attributes, nullptr));
        std::string bytes(Pick(0, 64), char(Pick(0, 255)));
        DWORD written = 0;
        ::WriteFile(file.get(), bytes.data(), DWORD(bytes.size()), &written, nullptr);
    }
    std::wstring NameOf(unsigned style, size_t index) {
        std::wstring number = std::to_wstring(index);
        const wchar_t* devices[] = {L"aux.", L"con.", L"clock$.", L"lpt1."};
        switch (style) {
        case 0:
            return L"n" + number;
        case 1:
            return std::wstring(100, L'l') + number;
        case 2:
            return L"t" + number + L".";
        case 3:
            return L"s" + number + L" ";
        default:
            return devices[index % 4] + number;
        }
    }
    Node Folder(const std::wstring& path, bool inReach, int depth) {
        ::CreateDirectoryW(path.c_str(), nullptr);
        Node folder{Node::kFolder, path, inReach, {}};
        for (size_t index = 0, count = Pick(0, depth < 3 ? 4 : 2); index < count; ++index) {
            unsigned style = m_plainNames ? 0 : Pick(0, 4);
            std::wstring child = path + L"\\" + NameOf(style, index);
            bool reach = inReach && style <= 1 && child.size() - 4 < MAX_PATH;
            unsigned roll = Pick(m_links ? 0 : 20, 99);
            if (roll < 10)
                Link(m_fileTargets[Pick(0, 2)], child);
            else if (roll < 20)
                Link(m_folderTargets[Pick(0, 2)], child);
            else if (roll < 50 && depth < 3)
                folder.children.push_back(Folder(child, reach, depth + 1));
            else
                File(child, roll < 60 ? FILE_ATTRIBUTE_READONLY : 0);
            if (roll < 20 || roll >= 50 || depth >= 3)
                folder.children.push_back({roll < 20   ? Node::kLink
                                           : roll < 60 ? Node::kReadOnly
                                                       : Node::kFile,
                                           child,
                                           reach,
                                           {}});
        }
        return folder;
    }
    void Link(const std::wstring& target, const std::wstring& link) {
        m_script += "ln -s '" + Unix(target) + "' '" + Unix(link) + "'\n";
    }

    std::wstring m_base;
    std::string m_unixBase, m_script;
    std::mt19937 m_random;
    std::vector<std::wstring> m_fileTargets, m_folderTargets;
    bool m_plainNames = true, m_links = true;
};

// Every path of a tree into `paths`; true when the shell may have the tree (no link, every name
// in its reach).
bool AllPaths(const Node& node, std::set<std::wstring>& paths) {
    paths.insert(node.path);
    bool allowed = node.kind != Node::kLink && node.inReachByName;
    for (const Node& child : node.children)
        allowed = AllPaths(child, paths) && allowed;
    return allowed;
}

// Adds to `kept` what the own walk leaves of a node where links stay (Wine): links, read-only
// files unless reset, folders that keep something or are kept. True when a file or link stays.
bool KeptByOwnWalk(const Node& node, BOOL resetReadOnly, BOOL keepDirectories,
                   std::set<std::wstring>& kept) {
    bool fileKept = node.kind == Node::kLink || (node.kind == Node::kReadOnly && !resetReadOnly);
    for (const Node& child : node.children)
        fileKept = KeptByOwnWalk(child, resetReadOnly, keepDirectories, kept) || fileKept;
    if (fileKept || (node.kind == Node::kFolder && keepDirectories))
        kept.insert(node.path);
    return fileKept;
}

TEST_F(Removal, ModelOfRandomTreesWithLinksOfEveryKind) {
    const unsigned seed = unsigned(::testing::UnitTest::GetInstance()->random_seed());
    std::printf("removal model over random trees: --gtest_random_seed=%u\n", seed);
    SCOPED_TRACE("--gtest_random_seed=" + std::to_string(seed));
    const std::wstring base = m_dir / L"trees";
    RandomTrees random(base, seed);
    std::vector<Node> trees;
    for (unsigned index = 0; index < 200; ++index)
        trees.push_back(random.Make(index));
    ASSERT_TRUE(random.MakeLinks());
    for (unsigned index = 0; index < trees.size(); ++index) {
        const std::wstring folder = base + L"\\" + std::to_wstring(index), top = folder + L"\\T";
        std::set<std::wstring> paths, kept;
        bool shellMayHave = AllPaths(trees[index], paths);
        unsigned form = random.Pick(0, 4); // the shell, or the own walk with two flags
        BOOL resetReadOnly = form & 1, keepDirectories = form & 2;
        const Snapshot outside = SnapshotOf(folder, L"T");
        BOOL removed, expected;
        if (form == 4) {
            removed = osRemoveDirAndSubDirs(top.c_str(), FALSE);
            expected = shellMayHave;
            kept = shellMayHave ? std::set<std::wstring>() : paths;
        } else {
            removed = osRemoveDirEx(top.c_str(), resetReadOnly, keepDirectories);
            expected = !KeptByOwnWalk(trees[index], resetReadOnly, keepDirectories, kept);
        }
        SCOPED_TRACE("tree " + std::to_string(index) + ", form " + std::to_string(form));
        EXPECT_EQ(removed, expected);
        EXPECT_EQ(SnapshotOf(folder, L"T"), outside);
        for (const std::wstring& path : paths)
            EXPECT_EQ(Listed(path), kept.count(path) == 1) << Narrow(path);
    }
    EXPECT_TRUE(RemoveWithLinks(base));
}

// One thread swaps a folder of the tree for a folder that holds a link to the outside, by renames
// (under Wine a rename of the link itself would move its target), while the tree is removed
// again and again: nothing outside is ever touched.
TEST_F(Removal, AFolderSwappedForALinkDuringRemovalTouchesNothingOutside) {
    const std::wstring top = m_dir / L"top", mid = top + L"\\mid", stash = m_dir / L"stash",
                       decoy = m_dir / L"decoy";
    const auto files = {L"a.txt", L"b.txt", L"inner\\c.txt"};
    osMakeDirEx((m_dir / L"outside\\inner").c_str());
    for (const wchar_t* file : files)
        m_dir.WriteFile(std::wstring(L"outside\\") + file, "outside");
    m_outside = SnapshotOf(m_dir / L"outside");
    ::CreateDirectoryW(decoy.c_str(), nullptr);
    ASSERT_TRUE(MakeLink(m_dir / L"outside", decoy + L"\\sub"));

    // The swapper renames while `swapping` holds and marks each round of renames `busy`, so that
    // the test can wait until they have stopped.
    std::atomic<bool> swapping{false}, busy{false}, stop{false};
    std::thread swapper([&] {
        while (!stop) {
            busy = true;
            if (swapping)
                for (const auto& [from, to] :
                     {std::make_pair(mid, stash), std::make_pair(decoy, mid),
                      std::make_pair(mid, decoy), std::make_pair(stash, mid)})
                    ::MoveFileExW(from.c_str(), to.c_str(), 0);
            busy = false;
            ::Sleep(swapping ? 0 : 1);
        }
    });
    auto pause = [&] {
        swapping = false;
        while (busy)
            std::this_thread::yield();
    };
    int metTheLink = 0;
    for (int round = 0; round < 60; ++round) {
        pause();
        ASSERT_TRUE(Listed(decoy + L"\\sub"));
        ExpectOutsideWhole();
        tutest::RemoveTree(stash);
        tutest::RemoveTree(top);
        osMakeDirEx((mid + L"\\sub\\inner").c_str());
        for (const wchar_t* file : files)
            m_dir.WriteFile(std::wstring(L"top\\mid\\sub\\") + file, "inside");
        m_dir.WriteFile(L"top\\mid\\y.txt", "y");
        swapping = true;
        metTheLink += !osRemoveDirEx(top.c_str(), TRUE, round % 2);
    }
    pause();
    stop = true;
    swapper.join();
    ExpectOutsideWhole();
    std::printf("removals that met the swapped-in link: %d of 60\n", metTheLink);
    EXPECT_TRUE(RemoveWithLinks(decoy));
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
