// The UI call executor: making its window in the UI thread, queueing call objects, waking the
// window's thread, running batches, withdrawing calls whose waiter gave up or whose addressee
// goes away, and the exit step that destroys the executor.
#include "UICall/UIExec.h"

#include "common/Boundary.h"

#include <BaseKit/App.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>

namespace {

const UINT_PTR kWatchdogTimerId = 1;
const UINT kWatchdogPeriodMs = 1000;
const size_t kBatchReserve = 256;
// Idle entries kept beyond a burst's needs are freed.
const size_t kMaxIdleEntries = 1024;
const wchar_t kLostWakeUpWarning[] = L"Warning: A UICall message is lost!\n";

// Where the executor's failures are reported, as the base library's last error.
const char kReportFunction[] = "utl::CUIExec::PushCallInfo";
const char kReportFile[] = ".\\Source\\UICall";
const unsigned int kLinePostFailed = 151;
const unsigned int kLineWaitGaveUp = 167;
// The error code of calls refused because the executor has no window and never will.
const unsigned long kNoWindow = ERROR_INVALID_WINDOW_HANDLE;

// Process-wide state of the executor's front door. No lock: the cached pointer can only
// ever be set to the one executor, and both fields are cleared once, by the exit step.
struct tExecState {
    std::atomic<utl::CUIExec*> executor{nullptr};
    std::atomic<bool> unloaded{false};
};
tExecState g_exec;

// The executor whose window the UI thread's message hook is to make, if any.
std::atomic<utl::CUIExec*> g_windowToMake{nullptr};

// Addressees closed while there was no executor; the executor takes them over when it is
// made. Guarded by the executor's creation lock.
std::vector<boost::weak_ptr<void>> g_closedEarly;

// Records a closed addressee for the executor still to be made (the creation lock is held).
void CloseEarly(boost::weak_ptr<void> const& addressee) {
    g_closedEarly.erase(std::remove_if(g_closedEarly.begin(), g_closedEarly.end(),
                                       [](boost::weak_ptr<void> const& c) { return c.expired(); }),
                        g_closedEarly.end());
    try {
        g_closedEarly.push_back(addressee);
    } catch (std::bad_alloc const&) {
        // Not recorded: a call to the addressee made now would be queued, as before its close.
    }
}

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

// The executor, made on first need; null once the library is unloading.
utl::CUIExec* Executor() {
    static const bool exitStepRegistered = std::atexit(&EraseExecutor) == 0;
    (void)exitStepRegistered;
    if (g_exec.unloaded)
        return nullptr;
    utl::CUIExec* executor = g_exec.executor.load(std::memory_order_acquire);
    if (!executor) {
        try {
            executor = utl::CUIExec::GetInstance();
        } catch (std::bad_alloc const&) {
            return nullptr;
        }
        g_exec.executor.store(executor, std::memory_order_release);
    }
    return executor;
}

// The UI thread's message hook while the executor's window is still to be made: runs in the UI
// thread whenever it takes a message, in its own loop or in any modal one.
LRESULT CALLBACK MakeWindowOnMessage(int code, WPARAM wParam, LPARAM lParam) {
    if (utl::CUIExec* executor = g_windowToMake.load())
        executor->MakeWindowIfPending();
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

bool SameObject(boost::weak_ptr<void> const& a, boost::weak_ptr<void> const& b) {
    return !a.owner_before(b) && !b.owner_before(a);
}

} // namespace

namespace utl {

CUICall::CUICall() = default;
CUICall::CUICall(CUICall const&) = default;
CUICall& CUICall::operator=(CUICall const&) = default;
CUICall::~CUICall() = default;

bool WINAPI CallInUIThread(boost::shared_ptr<CUICall> call, unsigned long timeout) {
    return tu::Guarded(false, [&] { return CallInUIThreadTo({}, std::move(call), timeout); });
}

bool CallInUIThreadTo(boost::shared_ptr<void> const& addressee, boost::shared_ptr<CUICall> call,
                      unsigned long timeout) {
    if (!call)
        return false;
    CUIExec* executor = Executor();
    return executor && executor->PushCallInfo(std::move(call), timeout, addressee);
}

// Without an executor no call was ever queued: the addressee is only recorded as closed, and
// no executor (nor its window, nor a hook of the UI thread) is made for it.
void EndCallsTo(boost::shared_ptr<void> const& addressee) {
    if (g_exec.unloaded)
        return;
    CUIExec* executor = g_exec.executor.load(std::memory_order_acquire);
    if (!executor)
        executor = CUIExec::FindInstance([&] { CloseEarly(addressee); });
    if (executor)
        executor->EndCallsTo(addressee);
}

// Constructed under the creation lock. Made in the UI thread, the executor makes its window at
// that thread's first call; made elsewhere, it asks the UI thread to make it, so the window
// and the running of calls always belong to that thread.
CUIExec::CUIExec()
    : m_dwUIThreadID(app::GetUserInputThreadID()), m_nTimerID(0), m_pIdleEntries(nullptr),
      m_nIdleEntries(0), m_eWindow(eWindowPending), m_dwRequestError(0), m_nWakeUps(0) {
    m_Closed.swap(g_closedEarly);
    if (::GetCurrentThreadId() != m_dwUIThreadID)
        RequestWindow();
}

// Entries still queued are dropped unrun, their waiters not woken (an entry a waiter still
// holds stays its). The queue is emptied and closed before the window goes, so the window's
// last messages run nothing; the window and the hook go outside the lock, since destroying a
// window runs the thread's hooks, and so do the dropped calls.
CUIExec::~CUIExec() {
    tQueue dropped;
    tu::UniqueHook request;
    CUIExec* self = this;
    g_windowToMake.compare_exchange_strong(self, nullptr);
    tu::LockGuard lock(m_csQueue);
    request = std::move(m_windowRequest);
    dropped.swap(m_Queue);
    m_eWindow = eWindowFailed;
    lock.Unlock();
    if (::IsWindow(m_hWnd)) {
        ::KillTimer(m_hWnd, m_nTimerID);
        DestroyWindow();
    }
    for (tUICallInfo* entry : dropped)
        entry->spCall.reset();
    lock.Relock();
    Release(dropped.data(), dropped.data() + dropped.size());
    while (tUICallInfo* entry = m_pIdleEntries) {
        m_pIdleEntries = entry->pNextIdle;
        delete entry;
    }
}

// Installs the UI thread's message hook; the wake-up posts then reach the thread as thread
// messages, so that it takes a message and makes the window.
void CUIExec::RequestWindow() {
    g_windowToMake = this;
    tu::LockGuard lock(m_csQueue);
    m_windowRequest.reset(
        ::SetWindowsHookExW(WH_GETMESSAGE, &MakeWindowOnMessage, nullptr, m_dwUIThreadID));
    if (!m_windowRequest) // never 0: PostWakeUp takes 0 for a window made in the UI thread
        m_dwRequestError = ::GetLastError() ? ::GetLastError() : ERROR_HOOK_NOT_INSTALLED;
}

// Making the window runs no call (OnWndMsg waits for the ready state); calls queued before
// it was made are woken up once it is, or failed when it cannot be made.
void CUIExec::MakeWindowIfPending() {
    if (m_eWindow != eWindowPending || ::GetCurrentThreadId() != m_dwUIThreadID)
        return;
    {
        tu::LockGuard lock(m_csQueue);
        if (m_eWindow != eWindowPending)
            return;
        m_eWindow = eWindowMaking;
    }
    CreateEx(0, L"Message", L"message_only", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr);
    bool made = m_hWnd != nullptr;
    if (made)
        m_nTimerID = ::SetTimer(m_hWnd, kWatchdogTimerId, kWatchdogPeriodMs, nullptr);
    tu::UniqueHook request; // removed after the lock, also from inside the hook itself
    tQueue failed;
    {
        tu::LockGuard lock(m_csQueue);
        request = std::move(m_windowRequest);
        m_eWindow = made ? eWindowReady : eWindowFailed;
        if (!made)
            failed.swap(m_Queue);
        else if (!m_Queue.empty())
            PostWakeUp();
    }
    CUIExec* self = this;
    g_windowToMake.compare_exchange_strong(self, nullptr);
    if (!made)
        ReportError(kLinePostFailed, kNoWindow);
    for (tUICallInfo* entry : failed) {
        EndWait(*entry);
        entry->spCall.reset(); // released here, in the UI thread
    }
    tu::LockGuard lock(m_csQueue);
    Release(failed.data(), failed.data() + failed.size());
}

bool CUIExec::PushCallInfo(boost::shared_ptr<CUICall> call, unsigned long timeout,
                           boost::shared_ptr<void> const& addressee) {
    if (!call)
        return false;
    if (::GetCurrentThreadId() == m_dwUIThreadID) {
        MakeWindowIfPending();
        tu::CallerCode([&] { call->Execute(); });
        return true;
    }
    try {
        return QueueCall(std::move(call), timeout, addressee);
    } catch (std::bad_alloc const&) {
        return false; // nothing was queued
    }
}

bool CUIExec::QueueCall(boost::shared_ptr<CUICall> call, unsigned long timeout,
                        boost::shared_ptr<void> const& addressee) {
    std::unique_ptr<CEvent> event;
    if (timeout != 0 && !(event = BorrowEvent()))
        return false; // nothing to wait on: nothing is queued, as when memory runs out
    tUICallInfo* entry = nullptr;
    EQueued queued = Enqueue(call, addressee, event, entry);
    if (queued == eNotQueued)
        return false; // the call is still here, and is released here
    return timeout == 0 ? queued == eQueuedAndWoken : AwaitCall(*entry, timeout);
}

// Appends the call in an idle entry, which the queue holds, and with an event its waiter too;
// only the append that makes the queue non-empty posts a wake-up, since one is already on its
// way for the others (before the window exists, every append asks again). False when that post
// failed (the call stays queued), and for calls that are not queued: to a closed addressee
// (unreported), when the window could not be made (reported) or when memory runs out; the call
// is then left to the caller, since releasing it under the lock would run its destructor there.
CUIExec::EQueued CUIExec::Enqueue(boost::shared_ptr<CUICall>& call,
                                  boost::shared_ptr<void> const& addressee,
                                  std::unique_ptr<CEvent>& event, tUICallInfo*& entry) {
    tu::LockGuard lock(m_csQueue);
    if (m_eWindow == eWindowFailed || IsClosed(addressee) || !(entry = TakeIdleEntry())) {
        if (event)
            m_IdleEvents.push_back(std::move(event)); // reserved by BorrowEvent: cannot throw
        bool failed = m_eWindow == eWindowFailed;
        lock.Unlock();
        if (failed)
            ReportError(kLinePostFailed, kNoWindow);
        return eNotQueued;
    }
    bool tracked = event && addressee;
    try {
        if (tracked)
            m_Addressed.push_back(entry);
        try {
            m_Queue.push_back(entry);
        } catch (std::bad_alloc const&) {
            if (tracked)
                m_Addressed.pop_back();
            throw;
        }
    } catch (std::bad_alloc const&) {
        entry->nHolders = 1;
        Release(&entry, &entry + 1);
        if (event)
            m_IdleEvents.push_back(std::move(event));
        throw;
    }
    entry->spCall = std::move(call);
    entry->wpAddressee = addressee;
    entry->evDone = std::move(event);
    entry->eState = tUICallInfo::eQueued;
    entry->nHolders = entry->evDone ? 2 : 1;
    if ((m_eWindow == eWindowReady && m_Queue.size() != 1) || PostWakeUp())
        return eQueuedAndWoken;
    DWORD error = ::GetLastError();
    lock.Unlock();
    ReportError(kLinePostFailed, error);
    return eQueuedNotWoken;
}

// An idle entry, or a new one (null when memory runs out); m_csQueue is held.
CUIExec::tUICallInfo* CUIExec::TakeIdleEntry() {
    tUICallInfo* entry = m_pIdleEntries;
    if (!entry)
        return new (std::nothrow) tUICallInfo;
    m_pIdleEntries = entry->pNextIdle;
    --m_nIdleEntries;
    return entry;
}

// Drops one holder of each entry; an entry nobody holds any more (its call is gone already)
// becomes idle, or is freed when enough are idle. m_csQueue is held.
void CUIExec::Release(tUICallInfo* const* first, tUICallInfo* const* last) {
    for (; first != last; ++first) {
        tUICallInfo* entry = *first;
        if (--entry->nHolders != 0)
            continue;
        entry->wpAddressee.reset();
        if (m_nIdleEntries == kMaxIdleEntries) {
            delete entry;
            continue;
        }
        entry->pNextIdle = m_pIdleEntries;
        m_pIdleEntries = entry;
        ++m_nIdleEntries;
    }
}

bool CUIExec::IsClosed(boost::weak_ptr<void> const& addressee) const {
    if (addressee.expired())
        return false;
    for (auto const& closed : m_Closed)
        if (SameObject(closed, addressee))
            return true;
    return false;
}

// Waits for the call; on time-out, withdraws it if it has not started (the window's thread
// releases it). A call that started, or whose wait another thread ended, signals once more:
// that signal is waited for, so a call running as the time-out ran out is waited for to its end.
bool CUIExec::AwaitCall(tUICallInfo& entry, unsigned long timeout) {
    HANDLE done = entry.evDone->m_hObject;
    DWORD waited = ::WaitForSingleObject(done, timeout);
    if (waited != WAIT_OBJECT_0) {
        if (entry.Move(tUICallInfo::eQueued, tUICallInfo::eWithdrawn))
            ReportError(kLineWaitGaveUp, waited);
        else
            ::WaitForSingleObject(done, INFINITE);
    }
    bool ran = entry.eState == tUICallInfo::eRan;
    if (!ran && m_eWindow == eWindowFailed) // dropped because the window could not be made
        ReportError(kLinePostFailed, kNoWindow);
    Retire(entry);
    return ran;
}

// A waiter is done with its entry: it is no longer addressed, its event is idle again
// (signalled and consumed, or withdrawn and never to be signalled: unsignalled either way),
// and the waiter no longer holds it.
void CUIExec::Retire(tUICallInfo& entry) {
    tUICallInfo* self = &entry;
    tu::LockGuard lock(m_csQueue);
    auto found = std::find(m_Addressed.begin(), m_Addressed.end(), self);
    if (found != m_Addressed.end())
        m_Addressed.erase(found);
    m_IdleEvents.push_back(std::move(entry.evDone)); // reserved by BorrowEvent: cannot throw
    Release(&self, &self + 1);
}

void CUIExec::EndCallsTo(boost::shared_ptr<void> const& addressee) {
    tQueue ending;
    tu::LockGuard lock(m_csQueue);
    m_Closed.erase(std::remove_if(m_Closed.begin(), m_Closed.end(),
                                  [](boost::weak_ptr<void> const& c) { return c.expired(); }),
                   m_Closed.end());
    try {
        m_Closed.push_back(addressee);
        for (tUICallInfo* entry : m_Addressed)
            if (SameObject(entry->wpAddressee, addressee)) {
                ending.push_back(entry);
                ++entry->nHolders;
            }
    } catch (std::bad_alloc const&) {
        // Waits not collected end when their calls run, as without this step.
    }
    lock.Unlock();
    for (tUICallInfo* entry : ending)
        EndWait(*entry);
    lock.Relock();
    Release(ending.data(), ending.data() + ending.size());
}

// Lets the entry's waiter go with false: a call not started is withdrawn (the window's thread
// releases it); a running one goes on, and the window's thread then leaves the event alone.
void CUIExec::EndWait(tUICallInfo& entry) {
    if ((entry.Move(tUICallInfo::eQueued, tUICallInfo::eWithdrawn) ||
         entry.Move(tUICallInfo::eRunning, tUICallInfo::eLetGo)) &&
        entry.evDone)
        entry.evDone->SetEvent();
}

BOOL CUIExec::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    bool watchdogTick = message == WM_TIMER && wParam == kWatchdogTimerId;
    if (m_eWindow == eWindowReady) {
        tQueue batch = TakeBatch(watchdogTick);
        if (!batch.empty()) {
            RunBatch(batch);
            ReleaseBatch(batch);
        }
    }
    if (message == WM_USER || watchdogTick)
        return TRUE;
    return CWnd::OnWndMsg(message, wParam, lParam, result);
}

// Takes every pending entry at once, leaving an empty queue with room for a burst.
// A watchdog tick that finds calls waiting without a wake-up pending reports the lost post.
// It peeks before locking (a peek may run handlers of messages sent to this thread, which may
// queue calls themselves); a wake-up posted since then is not lost.
CUIExec::tQueue CUIExec::TakeBatch(bool watchdogTick) {
    unsigned wakeUpsBefore = m_nWakeUps;
    bool pending = watchdogTick && WakeUpPending();
    tQueue batch;
    tu::LockGuard lock(m_csQueue);
    if (m_Queue.empty())
        return batch;
    bool lost = watchdogTick && !pending && m_nWakeUps == wakeUpsBefore;
    batch.swap(m_Queue);
    m_Queue.swap(m_Spare);
    if (m_Queue.capacity() < kBatchReserve)
        m_Queue.reserve(kBatchReserve); // no spare: the first batch, or one in a running call
    lock.Unlock();
    if (lost)
        ::OutputDebugStringW(kLostWakeUpWarning);
    return batch;
}

// Runs the batch oldest first, skipping withdrawn calls and releasing every call object here.
// When a call throws, its waiter is woken (with false), the rest of the batch goes back behind
// calls queued meanwhile, and the exception leaves.
void CUIExec::RunBatch(tQueue const& batch) {
    for (size_t i = 0; i < batch.size(); ++i) {
        tUICallInfo& entry = *batch[i];
        boost::shared_ptr<CUICall> call;
        call.swap(entry.spCall);
        if (!entry.Move(tUICallInfo::eQueued, tUICallInfo::eRunning))
            continue;
        try {
            call->Execute();
        } catch (...) {
            Finish(entry, tUICallInfo::eThrew);
            call.reset();
            RequeueRest(batch, i + 1);
            throw;
        }
        Finish(entry, tUICallInfo::eRan);
    }
}

// The batch's entries are no longer held by it, and its room is kept for the next queue.
void CUIExec::ReleaseBatch(tQueue& batch) {
    tu::LockGuard lock(m_csQueue);
    Release(batch.data(), batch.data() + batch.size());
    batch.clear();
    if (batch.capacity() > m_Spare.capacity())
        m_Spare.swap(batch);
}

// Ends a call that ran and wakes its waiter, unless the waiter was let go meanwhile (it may
// then have given the event back already).
void CUIExec::Finish(tUICallInfo& entry, tUICallInfo::EState end) {
    if (entry.Move(tUICallInfo::eRunning, end) && entry.evDone)
        entry.evDone->SetEvent();
}

// The entries up to `first` are done; the rest go back to the queue, still held by it.
void CUIExec::RequeueRest(tQueue const& batch, size_t first) {
    tu::LockGuard lock(m_csQueue);
    m_Queue.insert(m_Queue.end(), batch.begin() + first, batch.end());
    Release(batch.data(), batch.data() + first);
    lock.Unlock();
    PostWakeUp();
}

// Wakes the window's thread: a posted WM_USER once the window exists; before that, a thread
// message that makes the UI thread take a message (and so its hook make the window). A window
// that could not be made is never reported as woken.
bool CUIExec::PostWakeUp() {
    switch (m_eWindow) {
    case eWindowReady:
        ++m_nWakeUps;
        return ::PostMessageW(m_hWnd, WM_USER, 0, 0) != FALSE;
    case eWindowFailed:
        ::SetLastError(kNoWindow);
        return false;
    default:
        // Still to be made. Made elsewhere, the executor gets the UI thread's hook going with a
        // thread message; made in the UI thread, it makes the window before that thread's first
        // call returns, and posts then for the calls queued meanwhile.
        if (m_windowRequest)
            return ::PostThreadMessageW(m_dwUIThreadID, WM_NULL, 0, 0) != FALSE;
        ::SetLastError(m_dwRequestError);
        return m_dwRequestError == 0;
    }
}

// Looks for a posted wake-up. Even limited to posted messages, a peek delivers the messages
// sent to this thread meanwhile: never called under a lock of the executor.
bool CUIExec::WakeUpPending() {
    MSG message;
    return ::PeekMessageW(&message, m_hWnd, WM_USER, WM_USER, PM_NOREMOVE | PM_QS_POSTMESSAGE) !=
           FALSE;
}

// Lends an idle event, or makes one (null when none can be made); the idle list keeps room
// for it to come back, so giving it back never allocates.
std::unique_ptr<CEvent> CUIExec::BorrowEvent() {
    tu::LockGuard lock(m_csQueue);
    if (!m_IdleEvents.empty()) {
        std::unique_ptr<CEvent> event = std::move(m_IdleEvents.back());
        m_IdleEvents.pop_back();
        return event;
    }
    m_IdleEvents.reserve(m_IdleEvents.capacity() + 1);
    lock.Unlock();
    // Not owned, automatic reset, no name, default security.
    std::unique_ptr<CEvent> event(new (std::nothrow) CEvent(FALSE, FALSE, nullptr, nullptr));
    if (event && !event->m_hObject)
        event.reset();
    return event;
}

} // namespace utl
