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

// The data folder of a kind (0: the current user's, nonzero: all users'), decided on first
// use and created on disk with its missing parents; the library decides both at load. The
// text has no trailing backslash, is the library's and stays valid for the process's life.
// Null when the folder can neither be decided nor created, or its path would not fit in 259
// characters (the next call tries again); a relative path that cannot be expanded counts as
// not set.
// The switches of section "ResistantSettings" in "appProps.ini" beside the executable decide:
//   switch                                 current user              all users
//   none                                   <AppData>\Calder Works\<exe folder name>
//                                                                    <Common AppData>\...same
//   CurrUserNetPath / AllUsersNetPath      that path (relative: to the current directory)
//   UseApplicationFolderAsDataFolder=1     <exe folder>\Data\<logon name>
//                                                                    <exe folder>\Data\All Users
//   UseSingleUserMode=1 (before the rest)  <all users' folder>\SingleUser   unchanged
// (<exe folder name> is the last component of the executable's folder, e.g. "bin".)
TARNUTIL_API LPCWSTR WINAPI ssnGetDataDir(int kind);

// Sets the data folder of a kind to the first 259 characters of the path, neither tested nor
// created; a null path forgets it, so that the next ssnGetDataDir decides it anew.
TARNUTIL_API void WINAPI ssnSetDataDir(int kind, LPCWSTR path);
