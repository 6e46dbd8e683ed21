// Host for load-time tests: the library is delay-loaded, so it attaches on the first call into
// it, from the thread and under the settings that the subcommand chooses.
//   frame main|worker: the first call comes from the main thread or a worker; prints the
//     library's path and exits with 1 when the library recorded another loader thread.
//   text key=value...: the first call comes while this process's current-user registry root is
//     a scratch key holding only the given regional values (sDecimal, iDate, sDate, sTime);
//     prints decimal=<separator>, time=<0:07:00 formatted> and 0x<flags>=<14 March 2007
//     15:04:09 formatted> for flags 0x00 to 0x0F.
#include "tuSettings.h"
#include "tuText.h"

#include <cstdio>
#include <cwchar>
#include <string>
#include <thread>

namespace {

int LoadFromThread(bool worker) {
    DWORD loading = 0, loader = 0;
    auto load = [&] {
        loading = ::GetCurrentThreadId();
        loader = ssnGetUserInputThreadID();
    };
    if (worker)
        std::thread(load).join();
    else
        load();
    wchar_t path[MAX_PATH] = L"";
    ::GetModuleFileNameW(::GetModuleHandleW(L"tarnUtil.dll"), path, MAX_PATH);
    std::printf("loader=%lu loading=%lu module=%ls\n", loader, loading, path);
    return loader == loading ? 0 : 1;
}

// Makes the library's first call under a current-user root holding only the given values.
void LoadWithRegionalValues(int count, wchar_t** values) {
    const std::wstring path =
        L"Software\\tarnUtilTests\\" + std::to_wstring(::GetCurrentProcessId());
    HKEY user = nullptr, international = nullptr;
    ::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &user, nullptr);
    ::RegCreateKeyExW(user, L"Control Panel\\International", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &international, nullptr);
    for (int i = 0; i < count; ++i) {
        const std::wstring arg = values[i], value = arg.substr(arg.find(L'=') + 1);
        ::RegSetValueExW(international, arg.substr(0, arg.find(L'=')).c_str(), 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(value.c_str()),
                         DWORD((value.size() + 1) * sizeof(wchar_t)));
    }
    ::RegCloseKey(international);
    ::RegOverridePredefKey(HKEY_CURRENT_USER, user);
    ssnGetUserInputThreadID(); // any call loads the library
    ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    ::RegCloseKey(user);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
}

int FormatWithRegionalValues(int count, wchar_t** values) {
    LoadWithRegionalValues(count, values);
    std::printf("decimal=%lc\n", cvtGetDecimalSeparator());
    wchar_t text[CVT_DATETIME_CHARS];
    struct tm time = {};
    time.tm_min = 7;
    cvtFormatTime(&time, text);
    std::printf("time=%ls\n", text);
    time = {9, 4, 15, 14, 2, 107, 3, 72, 0};
    for (unsigned flags = 0; flags < 0x10; ++flags) {
        cvtFormatDateTime(&time, text, flags);
        std::printf("0x%02X=%ls\n", flags, text);
    }
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"frame")
        return LoadFromThread(argc > 2 && wcscmp(argv[2], L"worker") == 0);
    if (command == L"text")
        return FormatWithRegionalValues(argc - 2, argv + 2);
    return 2;
}
