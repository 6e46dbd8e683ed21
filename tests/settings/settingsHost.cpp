// Host for load-time tests of the program environment: prints, one "key=value" line each, its
// own folder, the logon name, both data folders as the library decided them at load (and
// whether they exist on disk), its name and three of its application strings.
#include "tuSettings.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

void Print(const char* key, const wchar_t* value) {
    if (!value) {
        std::printf("%s=(null)\n", key);
        return;
    }
    char text[1024] = "";
    ::WideCharToMultiByte(CP_UTF8, 0, value, -1, text, sizeof text, nullptr, nullptr);
    std::printf("%s=%s\n", key, text);
}

void PrintFolder(const char* key, const wchar_t* folder) {
    Print(key, folder);
    DWORD attributes = folder ? ::GetFileAttributesW(folder) : INVALID_FILE_ATTRIBUTES;
    bool isDirectory =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    std::printf("%sExists=%d\n", key, isDirectory ? 1 : 0);
}

} // namespace

int wmain() {
    wchar_t path[MAX_PATH] = L"";
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    Print("exeDir", folder.substr(0, folder.rfind(L'\\')).c_str());
    wchar_t logon[MAX_PATH] = L"";
    DWORD size = MAX_PATH;
    ::GetUserNameW(logon, &size);
    Print("logon", logon);
    PrintFolder("user", ssnGetDataDir(0));
    PrintFolder("common", ssnGetDataDir(1));
    Print("exeName", ssnGetExeName());
    Print("string1", ssnGetExeString(1));
    Print("string7", ssnGetExeString(7));
    return 0;
}
