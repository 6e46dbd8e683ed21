// Host for load-time tests of the default INI names: prints, one "key=value" line each, its
// own folder, the logon name and the two default file names as the library derived them at
// load, the same-file flag, then writes a setting to both default files and reports the
// write's result, whether the user file begins with the UTF-16 byte-order mark, and where a
// read found the setting.
#include "tuSettings.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

void Print(const char* key, const wchar_t* value) {
    char text[1024] = "";
    ::WideCharToMultiByte(CP_UTF8, 0, value, -1, text, sizeof text, nullptr, nullptr);
    std::printf("%s=%s\n", key, text);
}

bool BeginsWithByteOrderMark(const wchar_t* path) {
    unsigned char head[2] = {};
    DWORD got = 0;
    HANDLE file =
        ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    ::ReadFile(file, head, 2, &got, nullptr);
    ::CloseHandle(file);
    return got == 2 && head[0] == 0xFF && head[1] == 0xFE;
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
    Print("userIni", iniGetDefaultFileName(0));
    Print("commonIni", iniGetDefaultFileName(1));
    // Handing a name back unchanged only reports the same-file flag.
    std::printf("same=%d\n", iniSetDefaultFileName(1, iniGetDefaultFileName(1)));

    std::printf("written=%d\n", iniWriteString(L"host", L"key", L"value", MAKEINTRESOURCEW(3)));
    std::printf("userBom=%d\n", BeginsWithByteOrderMark(iniGetDefaultFileName(0)));
    std::printf("commonBom=%d\n", BeginsWithByteOrderMark(iniGetDefaultFileName(1)));
    int fromUser = -1;
    wchar_t value[16] = L"";
    iniGetString(L"host", L"key", L"", value, 16, nullptr, nullptr, &fromUser);
    Print("read", value);
    std::printf("fromUser=%d\n", fromUser);
    return 0;
}
