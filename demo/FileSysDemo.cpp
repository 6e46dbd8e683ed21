// Demo of the file-system functions: a few path answers, then a folder tree made and removed.
#include "Demo.h"

#include "tuFileSys.h"

#include <string>

namespace {

const char* YesNo(BOOL value) {
    return value ? "yes" : "no";
}

void ShowPathAnswers() {
    wchar_t module[MAX_PATH];
    osGetModuleFileName(nullptr, module, MAX_PATH);
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
    ::GetTempPathW(MAX_PATH, temp);
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

} // namespace

void ShowFileSys() {
    DemoSection("File system");
    ShowPathAnswers();
    ShowTreeMadeAndRemoved();
}
