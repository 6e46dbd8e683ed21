// The event-log front: loads "EventLog.dll" from the executable's folder, binds its two entry
// points and serializes every call into it; one process-wide instance serves the ssn functions.
#include "tuFileSys.h"
#include "tuSettings.h"

#include "common/Boundary.h"
#include "common/Lock.h"
#include "common/WindowsSupport.h"
#include "settings/ProgramFolder.h"

#include <afx.h>

#include <cstdarg>
#include <utility>

namespace {

// The event-log library's full path: the executable's folder and "EventLog.dll". Empty when
// the executable's path has no folder, so that the library is never searched for elsewhere.
CString LibraryPath() {
    wchar_t folder[MAX_PATH];
    tu::settings::ExecutableFolder(folder);
    return folder[0] ? CString(folder) + L"\\EventLog.dll" : CString();
}

template <class Function> Function BindExport(HMODULE library, const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void (*)()>(::GetProcAddress(library, name)));
}

// The process-wide event log of the ssn functions; its lock is its own (CEventLog::m_lock).
// Constructed before the library's attach steps and destroyed after its detach steps, which
// releases a library the program forgot to exit.
utl::CEventLog g_eventLog;

} // namespace

namespace utl {

CEventLog::CEventLog() : m_initialized(0), m_library(nullptr), m_init(nullptr), m_write(nullptr) {
    ::InitializeCriticalSection(&m_lock);
}

CEventLog::~CEventLog() {
    {
        tu::LockGuard hold(m_lock);
        ReleaseLibraryLocked();
    }
    ::DeleteCriticalSection(&m_lock);
}

int CEventLog::Init(const wchar_t* name) {
    {
        tu::LockGuard hold(m_lock);
        if (m_initialized)
            return TRUE;
    }
    // The library is loaded outside the lock: the loader's own lock is never taken while a
    // writer waits on ours.
    const CString path = tu::Guarded(CString(), LibraryPath);
    if (path.IsEmpty() || !osExistsFile(path))
        return FALSE;
    tu::UniqueModule library(::LoadLibraryW(path));
    if (!library)
        return FALSE;

    tu::LockGuard hold(m_lock);
    // Another thread that finished its Init first keeps its library; this load is undone.
    if (m_initialized)
        return TRUE;
    m_init = BindExport<InitFunction>(library.get(), "utlInitEventLog");
    m_write = BindExport<WriteFunction>(library.get(), "utlWriteToEventLog");
    if (!m_init || !m_write)
        return FALSE;
    m_library = library.release();
    m_init(name, 0);
    m_initialized = 1;
    return TRUE;
}

int CEventLog::Write(unsigned short type, const wchar_t* text) {
    tu::LockGuard hold(m_lock);
    if (!m_initialized || !m_write)
        return 0;
    return m_write(type, text);
}

void CEventLog::Exit() {
    tu::LockGuard hold(m_lock);
    ReleaseLibraryLocked();
}

// Caller holds m_lock. The entry points stay stored but are not called until the next Init.
void CEventLog::ReleaseLibraryLocked() {
    tu::UniqueModule released(std::exchange(m_library, nullptr));
    m_initialized = 0;
}

} // namespace utl

int WINAPI ssnInitEventLog(const wchar_t* name) {
    return g_eventLog.Init(name);
}

int __cdecl ssnWriteToEventLog(unsigned short type, const wchar_t* format, ...) {
    if (!format)
        return 0;
    // Formatted before the lock is taken, so a long format never holds up other writers.
    va_list args;
    va_start(args, format);
    const int written = tu::Guarded(0, [&] {
        CString text;
        text.FormatV(format, args);
        return g_eventLog.Write(type, text);
    });
    va_end(args);
    return written;
}

void WINAPI ssnExitEventLog() {
    g_eventLog.Exit();
}
