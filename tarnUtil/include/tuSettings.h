// Settings and program environment: data folders, the program's name and fixed strings,
// the server flag and the user-input thread; INI settings and the event log.
// Threads: any; only the event log locks; INI calls passing a module share buffers: one at a time.
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
// text has no trailing backslash, is the library's and stays valid for the process's life,
// also after the folder is set anew.
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
// created; a null or empty path forgets it, so that the next ssnGetDataDir decides it anew.
// The path is copied before anything changes, so ssnSetDataDir(kind, ssnGetDataDir(kind))
// keeps the folder. Every text ssnGetDataDir has handed out stays valid (and unchanged) for
// the process's life, and a thread reading the folder while it is set sees the old text or the
// new one, never a mix. Without memory for the copy the folder stays as it was.
TARNUTIL_API void WINAPI ssnSetDataDir(int kind, LPCWSTR path);

// ---- INI settings ------------------------------------------------------------------------
//
// Each program has two default settings files named after its executable: <user data
// folder>\<exe>.ini (kind 0) and <common data folder>\<exe>.ini (kind nonzero), derived when
// the library loads. The `file` argument of the reads and writes is a file selector:
//   - a path (a pointer above 0xFFFF): that INI file, used as given;
//   - MAKEINTRESOURCEW(flags): 1 the user default file, 2 the common default file, 3 both;
//     0 means 3 for reads and 1 for writes.
// Reads look in the user file first and fall back to the common file (only when it is a
// different file); `fromUser`, when given, is set to 1 if the user default file was searched
// and held the key, to 0 if it was searched and did not, and left alone otherwise.
// With a module, a section, key or (for iniGetString) default below 0x10000 is the id of a
// string in that module's string table, loaded in the user-input language with fallback to
// English; without a module an id is invalid input. The id texts go through three buffers of
// MAX_PATH characters that the process shares, one each for section, key and default: a string
// is cut to 259 characters, and two calls that pass a module must not run at once.
// Invalid input (a null section or key, an id without a module, a null or empty buffer) sets
// the thread's last error to 87 (ERROR_INVALID_PARAMETER). An empty default file name (its
// data folder could not be decided) holds no keys and cannot be written.

// The default file name of a kind (0 user, nonzero common); the library's own text, valid
// until the name is set again. Empty when the data folder of that kind could not be decided.
TARNUTIL_API LPCWSTR WINAPI iniGetDefaultFileName(int kind);

// Sets the default file name of a kind to the first 259 characters of `name`, or with a null
// name derives it again from the current data folder. Returns the same-file flag afterwards:
// 1 when the user and common names are equal (case-sensitive), else 0.
TARNUTIL_API int WINAPI iniSetDefaultFileName(int kind, LPCWSTR name);

// Reads an integer: the key's value, or `def` when it is found in no file searched (or the
// input is invalid, or an id cannot be loaded). Clears the thread's last error first.
TARNUTIL_API int WINAPI iniGetInt(LPCWSTR section, LPCWSTR key, int def, LPCWSTR file = nullptr,
                                  HINSTANCE module = nullptr, int* fromUser = nullptr);

// Reads a text into buffer (size characters), cut to fit and terminated; a null default is the
// empty text. Returns the characters placed without the terminator. A key present with an
// empty text in the user file gives 0 without a look at the common file.
TARNUTIL_API DWORD WINAPI iniGetString(LPCWSTR section, LPCWSTR key, LPCWSTR def, LPWSTR buffer,
                                       DWORD size, LPCWSTR file = nullptr,
                                       HINSTANCE module = nullptr, int* fromUser = nullptr);

// Reads a double stored as decimal text; `def` when the key is missing or its text does not
// start like a number (an optional sign, an optional point, then a digit).
//   .25 -> 0.25    -.5 -> -0.5    1e3 -> 1000    x1 -> def    - -> def    "" -> def
TARNUTIL_API double WINAPI iniGetDouble(LPCWSTR section, LPCWSTR key, double def,
                                        LPCWSTR file = nullptr, HINSTANCE module = nullptr,
                                        int* fromUser = nullptr);

// Reads a binary record stored as two hexadecimal digits per byte (either case) into the
// `size` bytes at record. TRUE when the text held exactly 2*size digits and all were read;
// a text of another length leaves the record untouched, and at a non-hex pair the bytes before
// it stay written. A size of 0 succeeds whatever the stored text (the key is still looked up,
// so fromUser is set as for any read); invalid input fails it (last error 87).
//   01ABFF -> 3 bytes 01 AB FF: TRUE    01abff -> TRUE    01ABFF into 4 bytes -> FALSE
TARNUTIL_API BOOL WINAPI iniGetStruct(LPCWSTR section, LPCWSTR key, void* record, UINT size,
                                      LPCWSTR file = nullptr, HINSTANCE module = nullptr,
                                      int* fromUser = nullptr);

// Writes a text; a null value removes the key, a null key removes the whole section. A file
// that does not exist is created first as UTF-16 with a byte-order mark (its folder is not
// created). Flag 1 writes the user file, flag 2 the common file; flags 3 write both when they
// differ. Result: for a path, that file's write; with flag 2, the common file's write, unless
// a successful user write to the shared file ended the call with TRUE; with flag 1 alone,
// TRUE whatever the user file gave.
TARNUTIL_API BOOL WINAPI iniWriteString(LPCWSTR section, LPCWSTR key, LPCWSTR value,
                                        LPCWSTR file = nullptr, HINSTANCE module = nullptr);

// Writes an integer as decimal text ("%ld"), as iniWriteString does; the key may not be null.
TARNUTIL_API BOOL WINAPI iniWriteInt(LPCWSTR section, LPCWSTR key, int value,
                                     LPCWSTR file = nullptr, HINSTANCE module = nullptr);

// Writes a double as the runtime's _gcvt text with 15 significant digits (0.25 -> "0.25",
// 1/3 -> "0.333333333333333"), as iniWriteString does; the key may not be null.
TARNUTIL_API BOOL WINAPI iniWriteDouble(LPCWSTR section, LPCWSTR key, double value,
                                        LPCWSTR file = nullptr, HINSTANCE module = nullptr);

// Writes the `size` bytes at record as upper-case hex text, two digits per byte in memory
// order (01 AB FF -> "01ABFF"). With flags 1 and 2 the user file is written, and the common
// file only when the user write failed and the files differ. TRUE when the write that decided
// succeeded; the key may not be null.
TARNUTIL_API BOOL WINAPI iniWriteStruct(LPCWSTR section, LPCWSTR key, const void* record, UINT size,
                                        LPCWSTR file = nullptr, HINSTANCE module = nullptr);

// ---- Event log ---------------------------------------------------------------------------
//
// A thread-safe front for "EventLog.dll" beside the executable, loaded at run time. Without
// that library (or its two entry points) the program runs on and every write returns 0.

namespace utl {

// One connection to the event-log library. Init, Write, Exit and destruction are serialized by
// the object's lock, which is also held while the library's entry points run, so the library
// is never entered by two threads at once and never released during a write.
class TARNUTIL_API CEventLog {
public:
    CEventLog();
    // Releases a library still held.
    ~CEventLog();
    CEventLog(const CEventLog&) = delete;
    CEventLog& operator=(const CEventLog&) = delete;

    // Loads the library from the executable's folder, binds "utlInitEventLog" and
    // "utlWriteToEventLog" and calls the first with the name. TRUE on success or when already
    // initialized (a later name is not passed on); FALSE when the library is missing, cannot
    // be loaded or lacks an entry point (it is released again then).
    int Init(const wchar_t* name);
    // Passes one message and its event type to the library; returns the library's result,
    // or 0 when the log is not initialized.
    int Write(unsigned short type, const wchar_t* text);
    // Releases the library; later writes return 0 until the next Init.
    void Exit();

private:
    typedef int(WINAPI* InitFunction)(const wchar_t* name, DWORD reserved);
    typedef int(WINAPI* WriteFunction)(WORD type, const wchar_t* text);

    void ReleaseLibraryLocked();

    int m_initialized;
    CRITICAL_SECTION m_lock; // guards the fields below and every call into the library
    HMODULE m_library;
    InitFunction m_init;
    WriteFunction m_write;
};

} // namespace utl

// Init on the process-wide event log (see utl::CEventLog::Init).
TARNUTIL_API int WINAPI ssnInitEventLog(const wchar_t* name);

// Formats a message printf-style (wide conventions: %s is a wide text) and writes it with the
// event type to the process-wide event log. Returns the library's result, 0 when the log is
// not initialized or the format is null.
TARNUTIL_API int __cdecl ssnWriteToEventLog(unsigned short type, const wchar_t* format, ...);

// Exit on the process-wide event log: releases the library.
TARNUTIL_API void WINAPI ssnExitEventLog();
