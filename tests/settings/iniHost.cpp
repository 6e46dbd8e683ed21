// Host for load-time tests of the default INI names: prints, one "key=value" line each, its
// own folder, both data folders and both default file names as the library decided them at
// load, the same-file flag, then writes a setting to both default files and reports the
// write's result and where a read found the setting.
#include "tuSettings.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace {

// The test's paths and names are plain ASCII, which the runtime's %ls prints unchanged.
void Print(const char* key, const wchar_t* text) {
    std::printf("%s=%ls\n", key, text ? text : L"(null)");
}

void PrintNumber(const char* key, int value) {
    std::printf("%s=%d\n", key, value);
}

} // namespace

int wmain() {
    wchar_t folder[MAX_PATH] = L"";
    ::GetModuleFileNameW(nullptr, folder, MAX_PATH);
    *std::wcsrchr(folder, L'\\') = L'\0';
    Print("exeDir", folder);
    Print("userDir", ssnGetDataDir(0));
    Print("commonDir", ssnGetDataDir(1));
    Print("userIni", iniGetDefaultFileName(0));
    Print("commonIni", iniGetDefaultFileName(1));
    // Handing a name back unchanged only reports the same-file flag.
    PrintNumber("same", iniSetDefaultFileName(1, iniGetDefaultFileName(1)));

    PrintNumber("written", iniWriteString(L"host", L"key", L"value", MAKEINTRESOURCEW(3)));
    int fromUser = -1;
    wchar_t value[16] = L"";
    iniGetString(L"host", L"key", L"", value, 16, nullptr, nullptr, &fromUser);
    Print("read", value);
    PrintNumber("fromUser", fromUser);
    return 0;
}
