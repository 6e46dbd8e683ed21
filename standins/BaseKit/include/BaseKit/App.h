// Application services of the base library: the user-input thread and the last-error store.
#pragma once

#include "Export.h"

namespace app {

// Id of the user-input (UI) thread: the thread that loaded BaseKit.dll unless a test chose another.
BASEKIT_API unsigned long GetUserInputThreadID();
// True exactly in the user-input thread.
BASEKIT_API bool IsUserInputThread();

enum EErrorGroup { eErrGroupNone = 0, eErrGroupWin32 = 1 };

// Where an error was noticed: function name, source file and line.
class BASEKIT_API CDbgErrInfo {
public:
    CDbgErrInfo(const char* function, const char* file, unsigned int line);

    const char* m_pszFunction;
    const char* m_pszFile;
    unsigned int m_nLine;
};

// One error: where, its group, its code (a Win32 error or wait result) and whether it is logged.
class CError {
public:
    BASEKIT_API CError(CDbgErrInfo const& where, EErrorGroup group, unsigned long code, bool log);

    CDbgErrInfo m_Where;
    EErrorGroup m_eGroup;
    unsigned long m_nCode;
    bool m_bLog;
};

class CLastErrorMgr;

// Makes the error the calling thread's last error; a null manager means the default store.
BASEKIT_API bool SetLastError(CError const& error, CLastErrorMgr const* manager);

} // namespace app
