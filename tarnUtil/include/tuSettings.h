// Settings and program environment: data folders, the program's name and fixed strings,
// the server flag and the user-input thread.
#pragma once

#include "tuExport.h"

#include <windows.h>

// The thread on which the process loaded the library: the program's user-input thread
// when the program loads the library from its main thread.
TARNUTIL_API DWORD WINAPI ssnGetUserInputThreadID();

// The base name of the process's executable, without folder and extension
// (C:\Programs\Suite\bin\app.exe -> "app"). The text is the library's and lives as long as
// the process.
TARNUTIL_API LPCWSTR WINAPI ssnGetExeName();

// A fixed string of the application. When the executable exports
// `extern "C" const wchar_t* WINAPI exeGetString(unsigned int id)` its answer is returned
// unchanged; otherwise the library's own table answers:
//   0 -> "Korvo 1.3"   1 -> "Korvo"   2 -> the licence text, held and returned scrambled
//   3 -> "Korvo.ini"   4 -> ""        any other id -> null
// The text is constant and not the caller's to free.
TARNUTIL_API LPCWSTR WINAPI ssnGetExeString(unsigned int id);

// Records whether the process is a server (nonzero: yes).
TARNUTIL_API void WINAPI ssnSetIsServer(int isServer);

// True when the process was recorded as a server; false before ssnSetIsServer.
TARNUTIL_API bool WINAPI ssnIsServer();
