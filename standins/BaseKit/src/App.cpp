// UI-thread identity and the per-thread last-error store.
#include "BaseKit/App.h"
#include "BaseKit/TestDrive.h"

#include <windows.h>

#include <atomic>

namespace {
std::atomic<unsigned long> g_uiThreadId;
std::atomic<unsigned long> g_errorCount;

struct tThreadError {
    bool set = false;
    bk::tErrorRecord record;
};
thread_local tThreadError t_lastError;
} // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH)
        g_uiThreadId = ::GetCurrentThreadId();
    return TRUE;
}

namespace app {

unsigned long GetUserInputThreadID() {
    return g_uiThreadId;
}

bool IsUserInputThread() {
    return ::GetCurrentThreadId() == g_uiThreadId;
}

CDbgErrInfo::CDbgErrInfo(const char* function, const char* file, unsigned int line)
    : m_pszFunction(function ? function : ""), m_pszFile(file ? file : ""), m_nLine(line) {}

CError::CError(CDbgErrInfo const& where, EErrorGroup group, unsigned long code, bool log)
    : m_Where(where), m_eGroup(group), m_nCode(code), m_bLog(log) {}

bool SetLastError(CError const& error, CLastErrorMgr const*) {
    t_lastError.set = true;
    t_lastError.record = {error.m_Where.m_pszFunction,
                          error.m_Where.m_pszFile,
                          error.m_Where.m_nLine,
                          error.m_eGroup,
                          error.m_nCode,
                          error.m_bLog};
    ++g_errorCount;
    return true;
}

} // namespace app

namespace bk {

void SetUserInputThread(unsigned long threadId) {
    g_uiThreadId = threadId;
}

bool GetLastErrorRecord(tErrorRecord& record) {
    if (t_lastError.set)
        record = t_lastError.record;
    return t_lastError.set;
}

void ClearLastErrorRecord() {
    t_lastError = tThreadError();
}

unsigned long GetErrorCount() {
    return g_errorCount;
}

} // namespace bk
