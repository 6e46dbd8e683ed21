// Demo of INI settings and the event log: the program's two default settings files, a user
// setting that overrides a common one, doubles and binary records as text, and one event.
#include "Demo.h"

#include "tuSettings.h"

namespace {
const LPCWSTR kUserFile = MAKEINTRESOURCEW(1);
const LPCWSTR kCommonFile = MAKEINTRESOURCEW(2);
const LPCWSTR kUserThenCommon = MAKEINTRESOURCEW(3);

const char* Source(int fromUser) {
    return fromUser ? "user file" : "common file";
}
} // namespace

void ShowIni() {
    DemoSection("INI settings and the event log");
    std::printf("user settings file:    %ls\n", iniGetDefaultFileName(0));
    std::printf("common settings file:  %ls\n", iniGetDefaultFileName(1));

    // Defaults for every user in the common file; this user overrides one of them.
    iniWriteString(L"IniDemo", L"Greeting", L"Hello, all users", kCommonFile);
    iniWriteInt(L"IniDemo", L"Columns", 3, kCommonFile);
    iniWriteString(L"IniDemo", L"Greeting", L"Hello, this user", kUserFile);
    iniWriteDouble(L"IniDemo", L"Zoom", 1.25, kUserFile);
    const RECT window = {10, 20, 650, 500};
    iniWriteStruct(L"IniDemo", L"Window", &window, sizeof window, kUserFile);

    wchar_t text[80];
    int fromUser = 0;
    iniGetString(L"IniDemo", L"Greeting", L"", text, 80, kUserThenCommon, nullptr, &fromUser);
    std::printf("Greeting:              \"%ls\" (%s)\n", text, Source(fromUser));
    int columns = iniGetInt(L"IniDemo", L"Columns", 1, kUserThenCommon, nullptr, &fromUser);
    std::printf("Columns:               %d (%s)\n", columns, Source(fromUser));
    double zoom = iniGetDouble(L"IniDemo", L"Zoom", 1.0, kUserThenCommon, nullptr, &fromUser);
    std::printf("Zoom:                  %g (%s)\n", zoom, Source(fromUser));
    RECT back = {};
    BOOL read = iniGetStruct(L"IniDemo", L"Window", &back, sizeof back, kUserThenCommon);
    iniGetString(L"IniDemo", L"Window", L"", text, 80, kUserFile);
    std::printf("Window:                %s {%ld, %ld, %ld, %ld}, stored as %ls\n",
                read ? "read" : "not read", back.left, back.top, back.right, back.bottom, text);
    // The demo leaves the settings files as it found them.
    iniWriteString(L"IniDemo", nullptr, nullptr, kUserFile);
    iniWriteString(L"IniDemo", nullptr, nullptr, kCommonFile);

    int loaded = ssnInitEventLog(L"tarnDemo");
    int written =
        ssnWriteToEventLog(EVENTLOG_INFORMATION_TYPE, L"%s read %d settings", L"tarnDemo", 4);
    std::printf("event log:             EventLog.dll %s, event %s\n", loaded ? "loaded" : "missing",
                written ? "written" : "not written");
    ssnExitEventLog();
}
