// Demo of the file-system functions: a few path answers, a folder tree made and removed, and
// removals that stay inside their tree when it holds links to a folder and a file outside it.
#include "Demo.h"

#include "tuFileSys.h"

#include <iterator>
#include <string>

namespace {

const char* YesNo(BOOL value) {
    return value ? "yes" : "no";
}

void ShowPathAnswers() {
    wchar_t module[MAX_PATH];
    osGetModuleFileName(nullptr, module, std::size(module));
    std::printf("this program:          %ls\n", module);
    for (const wchar_t* path : {L"C:\\Temp\\LPT1.log", L"C:\\MyCon", L"\\\\server\\share"})
        std::printf("%-22ls reserved: %-3s absolute: %-3s UNC: %s\n", path,
                    YesNo(osIsReservedFileName(path)), YesNo(osIsAbsPath(path)),
                    YesNo(osIsUNCPath(path)));
    LPCWSTR ext = nullptr;
    osGetFileExt(L"C:\\backup\\data.tar.gz", &ext);
    std::printf("extension of data.tar.gz: %ls\n", ext);
    std::printf("C:\\dir\\ joined with \\x: %ls\n", osCreatePath(L"C:\\dir\\", L"\\x").GetString());
}

void ShowTreeMadeAndRemoved() {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(std::size(temp), temp);
    std::wstring root = std::wstring(osCreatePath(temp, L"tarnDemoTree"));
    std::wstring leaf = root + L"\\reports\\2026\\december";
    std::printf("make %ls: %s\n", leaf.c_str(), YesNo(osMakeDirEx(leaf.c_str())));
    std::wstring file = leaf + L"\\summary.txt";
    ::CloseHandle(::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_READONLY, nullptr));
    std::printf("read-only file there: %s, tree empty: %s\n", YesNo(osExistsFile(file.c_str())),
                YesNo(osIsDirEmtpy(root.c_str())));
    std::printf("made again (exists already): %s\n", YesNo(osMakeDirEx(leaf.c_str())));
    std::printf("removed keeping read-only files: %s\n",
                YesNo(osRemoveDirEx(root.c_str(), FALSE, FALSE)));
    BOOL removed = osRemoveDirEx(root.c_str(), TRUE, FALSE);
    std::printf("removed resetting read-only: %s, gone: %s\n", YesNo(removed),
                YesNo(!osExistsPath(root.c_str())));
}

// The Unix path of a Windows path under Wine, empty elsewhere.
std::wstring UnixPathOf(const std::wstring& path) {
    using UnixFileName = char*(CDECL*)(const wchar_t*);
    auto unixFileName = reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* name = unixFileName ? unixFileName(path.c_str()) : nullptr;
    if (!name)
        return {};
    std::string narrow = name;
    ::HeapFree(::GetProcessHeap(), 0, name);
    return std::wstring(narrow.begin(), narrow.end());
}

// Runs a Unix program from Wine's view of /bin and waits (up to 5 s) until `done` holds; Wine
// gives no handle to wait on for a Unix process.
bool RunUnix(const std::wstring& commandLine, bool (*done)(const std::wstring&),
             const std::wstring& path) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::wstring line = commandLine;
    std::wstring program = L"Z:\\bin\\" + line.substr(0, line.find(L' '));
    if (::CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                         &startup, &process)) {
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    for (int tries = 0; tries < 250 && !done(path); ++tries)
        ::Sleep(20);
    return done(path);
}

bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Gone(const std::wstring& path) {
    return !Exists(path);
}

std::wstring Quoted(const std::wstring& text) {
    return L"\"" + text + L"\"";
}

// Makes `link` a link to `target` through Wine's view of Unix; false where that is not possible.
bool MakeUnixLink(const std::wstring& target, const std::wstring& link) {
    std::wstring from = UnixPathOf(target), to = UnixPathOf(link);
    return !from.empty() && RunUnix(L"ln -s " + Quoted(from) + L" " + Quoted(to), Exists, link);
}

// tarnDemoLinked\work holds notes.txt and two links out of it: photos, to the folder
// tarnDemoLinked\photos (which holds holiday.jpg), and budget.txt, to the file
// tarnDemoLinked\budget.txt; then work is removed.
void ShowLinkedTreeRemoved() {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(std::size(temp), temp);
    std::wstring base = std::wstring(osCreatePath(temp, L"tarnDemoLinked"));
    std::wstring work = base + L"\\work", photos = base + L"\\photos";
    std::wstring link = work + L"\\photos", picture = photos + L"\\holiday.jpg";
    std::wstring budget = base + L"\\budget.txt", fileLink = work + L"\\budget.txt";
    osMakeDirEx(work.c_str());
    osMakeDirEx(photos.c_str());
    for (const std::wstring& file : {work + L"\\notes.txt", picture, budget})
        ::CloseHandle(
            ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!MakeUnixLink(photos, link) || !MakeUnixLink(budget, fileLink)) {
        std::printf("links are made here through Wine only; skipped\n");
        return;
    }
    std::printf("work\\photos is a link to %ls\n", photos.c_str());
    std::printf("work\\budget.txt is a link to the file %ls\n", budget.c_str());
    std::printf("deleting work\\budget.txt alone: %s\n", YesNo(osDeleteFileEx(fileLink.c_str())));
    std::printf("removing work: %s\n", YesNo(osRemoveDirEx(work.c_str(), TRUE, FALSE)));
    std::printf("  notes.txt gone: %s, links gone: %s", YesNo(Gone(work + L"\\notes.txt")),
                YesNo(Gone(link) && Gone(fileLink)));
    std::printf("%s\n", Exists(link) ? " (this system opens a link's target, so links stay)" : "");
    std::printf("  the folder's target and holiday.jpg survive: %s\n",
                YesNo(Exists(photos) && Exists(picture)));
    std::printf("  the file outside, budget.txt, survives: %s\n", YesNo(Exists(budget)));
    std::printf("the shell refuses a tree with links: %s\n",
                YesNo(!osRemoveDirAndSubDirs(work.c_str(), FALSE)));
    std::printf("a wildcard is refused: %s\n",
                YesNo(!osRemoveDirEx((base + L"\\*").c_str(), TRUE, FALSE)));
    for (const std::wstring& each : {link, fileLink})
        RunUnix(L"rm -f " + Quoted(UnixPathOf(each)), Gone, each);
    osRemoveDirEx(base.c_str(), TRUE, FALSE);
}

} // namespace

void ShowFileSys() {
    DemoSection("File system");
    ShowPathAnswers();
    ShowTreeMadeAndRemoved();
    ShowLinkedTreeRemoved();
}
