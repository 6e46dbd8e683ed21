// The UI call executor: queueing call objects, waking the window's thread, running batches,
// withdrawing calls whose waiter gave up, and the exit step that destroys the executor.
#include "UICall/UIExec.h"

#include <BaseKit/App.h>

#include <boost/make_shared.hpp>

#include <atomic>
#include <cstdlib>

namespace {

const UINT_PTR kWatchdogTimerId = 1;
const UINT kWatchdogPeriodMs = 1000;
const size_t kBatchReserve = 256;
const wchar_t kLostWakeUpWarning[] = L"Warning: A UICall message is lost!\n";

// Where the executor's failures are reported, as the base library's last error.
const char kReportFunction[] = "utl::CUIExec::PushCallInfo";
const char kReportFile[] = ".\\Source\\UICall";
const unsigned int kLinePostFailed = 151;
const unsigned int kLineWaitGaveUp = 167;

// Process-wide state of the executor's front door. No lock: the cached pointer can only
// ever be set to the one executor, and both fields are cleared once, by the exit step.
struct tExecState {
    std::atomic<utl::CUIExec*> executor{nullptr};
    std::atomic<bool> unloaded{false};
};
tExecState g_exec;

void ReportError(unsigned int line, unsigned long code) {
    app::CDbgErrInfo where(kReportFunction, kReportFile, line);
    app::SetLastError(app::CError(where, app::eErrGroupWin32, code, true), nullptr);
}

// Runs when the library is unloaded: destroys the executor (its holder deletes it) and
// turns later calls away, so nothing reaches a destroyed executor.
void EraseExecutor() {
    g_exec.unloaded = true;
    g_exec.executor = nullptr;
    utl::SingleCont::tContainer& container = utl::SingleCont::Get();
    if (!container.empty())
        container.erase(utl::CTypeInfo(typeid(utl::CUIExec)));
}

} // namespace

namespace utl {

CUICall::CUICall() = default;
CUICall::CUICall(CUICall const&) = default;
CUICall& CUICall::operator=(CUICall const&) = default;
CUICall::~CUICall() = default;

bool WINAPI CallInUIThread(boost::shared_ptr<CUICall> call, unsigned long timeout) {
    if (!call)
        return false;
    static const bool exitStepRegistered = std::atexit(&EraseExecutor) == 0;
    (void)exitStepRegistered;
    if (g_exec.unloaded)
        return false;
    CUIExec* executor = g_exec.executor.load(std::memory_order_acquire);
    if (!executor) {
        executor = CUIExec::GetInstance();
        g_exec.executor.store(executor, std::memory_order_release);
    }
    return executor && executor->PushCallInfo(std::move(call), timeout);
}

// The window belongs to the constructing thread; creation and timer results are not checked:
// without a window a post fails and is reported, without a timer only the watchdog is lost.
CUIExec::CUIExec() : m_dwUIThreadID(app::GetUserInputThreadID()), m_nTimerID(0) {
    CreateEx(0, L"Message", L"message_only", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr);
    m_nTimerID = ::SetTimer(m_hWnd, kWatchdogTimerId, kWatchdogPeriodMs, nullptr);
}

// Entries still queued are dropped unrun, their waiters not woken. The queue is emptied
// before the window goes, so the window's last messages run nothing.
CUIExec::~CUIExec() {
    tQueue dropped;
    CSingleLock lock(&m_csQueue, TRUE);
    dropped.swap(m_Queue);
    if (::IsWindow(m_hWnd)) {
        ::KillTimer(m_hWnd, m_nTimerID);
        DestroyWindow();
    }
    lock.Unlock();
}

bool CUIExec::PushCallInfo(boost::shared_ptr<CUICall> call, unsigned long timeout) {
    if (!call)
        return false;
    if (::GetCurrentThreadId() == m_dwUIThreadID) {
        call->Execute();
        return true;
    }
    tUICallInfoPtr entry = boost::make_shared<tUICallInfo>(std::move(call));
    if (timeout != 0) {
        entry->evDone = BorrowEvent();
        entry->csCall.emplace();
    }
    bool posted = Enqueue(entry);
    return timeout == 0 ? posted : AwaitCall(*entry, timeout);
}

// Appends the entry; only the append that makes the queue non-empty posts a wake-up,
// since one is already on its way for the others. False when that post failed.
bool CUIExec::Enqueue(tUICallInfoPtr const& entry) {
    CSingleLock lock(&m_csQueue, TRUE);
    m_Queue.push_back(entry);
    if (m_Queue.size() != 1 || PostWakeUp())
        return true;
    DWORD error = ::GetLastError();
    lock.Unlock();
    ReportError(kLinePostFailed, error);
    return false;
}

// Waits for the call; on time-out, checks once more under the entry's lock (which waits for
// a call that is running right now) and withdraws a call that has not started.
bool CUIExec::AwaitCall(tUICallInfo& entry, unsigned long timeout) {
    HANDLE done = entry.evDone ? entry.evDone->m_hObject : nullptr; // none: the wait fails
    if (::WaitForSingleObject(done, timeout) != WAIT_OBJECT_0) {
        boost::shared_ptr<CUICall> withdrawn; // released after the entry's lock
        CSingleLock callLock(&*entry.csCall, TRUE);
        DWORD lastCheck = ::WaitForSingleObject(done, 0);
        if (lastCheck != WAIT_OBJECT_0)
            withdrawn.swap(entry.spCall);
        callLock.Unlock();
        if (lastCheck != WAIT_OBJECT_0)
            ReportError(kLineWaitGaveUp, lastCheck);
    }
    // Signalled and consumed, or withdrawn and never to be signalled: unsignalled either way.
    ReturnEvent(std::move(entry.evDone));
    return entry.bDone;
}

BOOL CUIExec::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    bool watchdogTick = message == WM_TIMER && wParam == kWatchdogTimerId;
    tQueue batch = TakeBatch(watchdogTick);
    if (!batch.empty())
        RunBatch(batch);
    if (message == WM_USER || watchdogTick)
        return TRUE;
    return CWnd::OnWndMsg(message, wParam, lParam, result);
}

// Takes every pending entry at once, leaving an empty queue with room for a burst.
// A watchdog tick that finds calls waiting without a wake-up pending reports the lost post.
CUIExec::tQueue CUIExec::TakeBatch(bool watchdogTick) {
    tQueue batch;
    CSingleLock lock(&m_csQueue, TRUE);
    if (m_Queue.empty())
        return batch;
    bool lost = watchdogTick && !WakeUpPending();
    batch.reserve(kBatchReserve);
    batch.swap(m_Queue);
    lock.Unlock();
    if (lost)
        ::OutputDebugStringW(kLostWakeUpWarning);
    return batch;
}

// Runs the batch oldest first. When a call throws, its waiter is woken (with false), the
// rest of the batch goes back behind calls queued meanwhile, and the exception leaves.
void CUIExec::RunBatch(tQueue const& batch) {
    for (size_t i = 0; i < batch.size(); ++i) {
        tUICallInfoPtr entry = batch[i];
        CCriticalSection* callSection = entry->csCall ? &*entry->csCall : nullptr;
        CSingleLock callLock(callSection, callSection != nullptr);
        if (!entry->spCall)
            continue;
        try {
            entry->spCall->Execute();
        } catch (...) {
            if (entry->evDone)
                entry->evDone->SetEvent();
            RequeueRest(batch, i + 1);
            throw;
        }
        entry->bDone = true;
        if (entry->evDone)
            entry->evDone->SetEvent();
    }
}

void CUIExec::RequeueRest(tQueue const& batch, size_t first) {
    CSingleLock lock(&m_csQueue, TRUE);
    m_Queue.insert(m_Queue.end(), batch.begin() + first, batch.end());
    lock.Unlock();
    PostWakeUp();
}

bool CUIExec::PostWakeUp() {
    return ::PostMessageW(m_hWnd, WM_USER, 0, 0) != FALSE;
}

// Looks at posted messages only, so no sent message is handled under the queue lock.
bool CUIExec::WakeUpPending() {
    MSG message;
    return ::PeekMessageW(&message, m_hWnd, WM_USER, WM_USER, PM_NOREMOVE | PM_QS_POSTMESSAGE) !=
           FALSE;
}

std::unique_ptr<CEvent> CUIExec::BorrowEvent() {
    CSingleLock lock(&m_csQueue, TRUE);
    if (!m_IdleEvents.empty()) {
        std::unique_ptr<CEvent> event = std::move(m_IdleEvents.back());
        m_IdleEvents.pop_back();
        return event;
    }
    lock.Unlock();
    // Not owned, automatic reset, no name, default security.
    return std::unique_ptr<CEvent>(new (std::nothrow) CEvent(FALSE, FALSE, nullptr, nullptr));
}

void CUIExec::ReturnEvent(std::unique_ptr<CEvent> event) {
    if (!event || !event->m_hObject)
        return;
    CSingleLock lock(&m_csQueue, TRUE);
    m_IdleEvents.push_back(std::move(event));
}

} // namespace utl
