// Host for locale-cache tests: loads tarnUtil.dll while the current user's regional settings
// are replaced, for this process only, by the "key=value" arguments (sDecimal, iDate, sDate,
// sTime; a key not given is missing), then prints what the library's texts look like:
//   decimal=<separator>   time=<0:07:00 formatted>   0x<flags>=<14 March 2007 15:04:09 formatted>
#include "tuText.h"

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

// The process's current-user registry root is redirected to a scratch key that holds only the
// given regional values, so the library's profile reads see them while nothing else changes.
HKEY MakeScratchUser(int argc, wchar_t** argv, const std::wstring& path) {
    HKEY user = nullptr, international = nullptr;
    ::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &user, nullptr);
    ::RegCreateKeyExW(user, L"Control Panel\\International", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &international, nullptr);
    for (int i = 1; i < argc; ++i) {
        std::wstring arg = argv[i];
        size_t eq = arg.find(L'=');
        std::wstring value = arg.substr(eq + 1);
        ::RegSetValueExW(international, arg.substr(0, eq).c_str(), 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(value.c_str()),
                         static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }
    ::RegCloseKey(international);
    return user;
}

template <typename F> F Export(HMODULE library, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(::GetProcAddress(library, name)));
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring path = L"Software\\tarnUtilTests\\" + std::to_wstring(::GetCurrentProcessId());
    HKEY user = MakeScratchUser(argc, argv, path);
    ::RegOverridePredefKey(HKEY_CURRENT_USER, user);
    HMODULE library = ::LoadLibraryW(L"tarnUtil.dll");
    ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    ::RegCloseKey(user);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
    if (!library) {
        std::printf("load failed %lu\n", ::GetLastError());
        return 2;
    }

    // The library's plain functions have C++ linkage; these are the toolchain's names.
    auto decimal =
        Export<decltype(&cvtGetDecimalSeparator)>(library, "_Z22cvtGetDecimalSeparatorv");
    auto formatTime = Export<decltype(&cvtFormatTime)>(library, "_Z13cvtFormatTimePK2tmPw");
    auto formatDateTime =
        Export<decltype(&cvtFormatDateTime)>(library, "_Z17cvtFormatDateTimePK2tmPwj");
    if (!decimal || !formatTime || !formatDateTime) {
        std::printf("export missing\n");
        return 3;
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
