// Host for load-time tests of the program environment: prints, one "key=value" line each, its
// own folder, the logon name, both data folders ("(missing)" when not on disk) and default INI
// names as the library decided them at load, the same-file flag and two application strings;
// then writes a setting to both default files and reports the result and where a read found it.
#include "tuSettings.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

void Print(const char* key, const wchar_t* value) {
    char text[1024] = "(null)";
    if (value)
        ::WideCharToMultiByte(CP_UTF8, 0, value, -1, text, sizeof text, nullptr, nullptr);
    std::printf("%s=%s\n", key, text);
}

void PrintFolder(const char* key, const wchar_t* folder) {
    const DWORD attributes = folder ? ::GetFileAttributesW(folder) : INVALID_FILE_ATTRIBUTES;
    const bool onDisk =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    Print(key, folder && !onDisk ? L"(missing)" : folder);
}

} // namespace

int wmain() {
    wchar_t folder[MAX_PATH] = L"";
    ::GetModuleFileNameW(nullptr, folder, MAX_PATH);
    *wcsrchr(folder, L'\\') = L'\0';
    Print("exeDir", folder);
    wchar_t logon[MAX_PATH] = L"";
    DWORD size = MAX_PATH;
    ::GetUserNameW(logon, &size);
    Print("logon", logon);
    PrintFolder("user", ssnGetDataDir(0));
    PrintFolder("common", ssnGetDataDir(1));
    Print("userIni", iniGetDefaultFileName(0));
    Print("commonIni", iniGetDefaultFileName(1));
    // Handing a name back unchanged only reports the same-file flag.
    std::printf("same=%d\n", iniSetDefaultFileName(1, iniGetDefaultFileName(1)));
    Print("string1", ssnGetExeString(1));
    Print("string7", ssnGetExeString(7));

    std::printf("written=%d\n", iniWriteString(L"host", L"key", L"value", MAKEINTRESOURCEW(3)));
    int fromUser = -1;
    wchar_t value[16] = L"";
    iniGetString(L"host", L"key", L"", value, 16, nullptr, nullptr, &fromUser);
    Print("read", value);
    std::printf("fromUser=%d\n", fromUser);
    return 0;
}
