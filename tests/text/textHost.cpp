// Host for locale-cache tests: loads tarnUtil.dll while this process's current-user registry
// root is a scratch key holding only the "key=value" arguments as regional values (sDecimal,
// iDate, sDate, sTime), then prints decimal=<separator>, time=<0:07:00 formatted> and
// 0x<flags>=<14 March 2007 15:04:09 formatted> for flags 0x00 to 0x0F.
#include "tuText.h"

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv) {
    const std::wstring path =
        L"Software\\tarnUtilTests\\" + std::to_wstring(::GetCurrentProcessId());
    HKEY user = nullptr, international = nullptr;
    ::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &user, nullptr);
    ::RegCreateKeyExW(user, L"Control Panel\\International", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &international, nullptr);
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i], value = arg.substr(arg.find(L'=') + 1);
        ::RegSetValueExW(international, arg.substr(0, arg.find(L'=')).c_str(), 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(value.c_str()),
                         DWORD((value.size() + 1) * sizeof(wchar_t)));
    }
    ::RegCloseKey(international);
    ::RegOverridePredefKey(HKEY_CURRENT_USER, user);
    HMODULE library = ::LoadLibraryW(L"tarnUtil.dll");
    ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    ::RegCloseKey(user);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());

    // The library's plain functions have C++ linkage; these are the toolchain's names.
    auto find = [library](const char* name) {
        return reinterpret_cast<void (*)()>(library ? ::GetProcAddress(library, name) : nullptr);
    };
    auto decimal =
        reinterpret_cast<decltype(&cvtGetDecimalSeparator)>(find("_Z22cvtGetDecimalSeparatorv"));
    auto formatTime = reinterpret_cast<decltype(&cvtFormatTime)>(find("_Z13cvtFormatTimePK2tmPw"));
    auto formatDateTime =
        reinterpret_cast<decltype(&cvtFormatDateTime)>(find("_Z17cvtFormatDateTimePK2tmPwj"));
    if (!decimal || !formatTime || !formatDateTime) {
        std::printf("load failed %lu\n", ::GetLastError());
        return 2;
    }
    wchar_t text[CVT_DATETIME_CHARS];
    std::printf("decimal=%lc\n", decimal());
    struct tm time = {};
    time.tm_min = 7;
    formatTime(&time, text);
    std::printf("time=%ls\n", text);
    time = {9, 4, 15, 14, 2, 107, 3, 72, 0};
    for (unsigned flags = 0; flags < 0x10; ++flags) {
        formatDateTime(&time, text, flags);
        std::printf("0x%02X=%ls\n", flags, text);
    }
    ::FreeLibrary(library);
    return 0;
}
