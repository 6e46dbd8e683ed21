// Host of the environment tests: "key=value" lines of what the library decided at load, or, given
// an event-log scenario, "host: ..." lines between the recording EventLog.dll's "lib: ..." lines.
#include "tuFileSys.h"
#include "tuSettings.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

void Print(const char* key, const wchar_t* value) {
    char text[1024] = "(null)";
    if (value)
        ::WideCharToMultiByte(CP_UTF8, 0, value, -1, text, sizeof text, nullptr, nullptr);
    std::printf("%s=%s\n", key, text);
}

void PrintFolder(const char* key, const wchar_t* folder) {
    Print(key, folder && !osExistsDir(folder) ? L"(missing)" : folder);
}

void ReportEnvironment() {
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
}

void Report(const char* what, int result) {
    std::printf("host: %s -> %d\n", what, result);
}

void Sequence() {
    Report("init first", ssnInitEventLog(L"first"));
    Report("init second", ssnInitEventLog(L"second"));
    Report("write", ssnWriteToEventLog(7, L"%s has %d items", L"basket", 3));
    ssnExitEventLog();
    Report("write after exit", ssnWriteToEventLog(7, L"lost"));
    Report("init again", ssnInitEventLog(L"again"));
    ssnExitEventLog();
    utl::CEventLog log;
    Report("object init", log.Init(L"object"));
    Report("object write", log.Write(3, L"plain %s text"));
}

void Refused() {
    Report("init", ssnInitEventLog(L"refused"));
    Report("loaded", ::GetModuleHandleW(L"EventLog.dll") != nullptr);
    Report("write", ssnWriteToEventLog(1, L"nowhere"));
}

void Threads() {
    ssnInitEventLog(L"threads");
    std::atomic<int> handedThrough{0};
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t)
        writers.emplace_back([&] {
            for (int i = 0; i < 50; ++i)
                handedThrough +=
                    ssnWriteToEventLog(2, L"thread %lu, %d", ::GetCurrentThreadId(), i) == 1002;
        });
    for (std::thread& writer : writers)
        writer.join();
    Report("results handed through", handedThrough);
    ssnExitEventLog();
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const std::wstring command = argc > 1 ? argv[1] : L"";
    void (*run)() = command.empty()          ? &ReportEnvironment
                    : command == L"sequence" ? &Sequence
                    : command == L"refused"  ? &Refused
                    : command == L"threads"  ? &Threads
                                             : nullptr;
    if (!run)
        return 2;
    run();
    return 0;
}
