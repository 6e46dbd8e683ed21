// The UI call executor: a message-only window that runs queued call objects in its thread,
// and the singleton accessor that makes it.
#pragma once

#include "tuUICall.h"

#include "common/Lock.h"
#include "common/WindowsSupport.h"

#include <BaseKit/SingleCont.h>

#include <afxmt.h>
#include <afxwin.h>

#include <atomic>
#include <memory>
#include <new>
#include <typeinfo>
#include <vector>

namespace utl {

// Mix-in giving a class one process-wide instance, kept in the base library's singleton
// container under the class's type identity.
template <class T> class TSingle {
public:
    // Finds or creates the instance; null when it cannot be allocated, std::bad_alloc when the
    // container cannot take it (nothing is left behind then). The instance is constructed
    // under the creation lock.
    static T* GetInstance();
    // The instance, or null when there is none; then `absent` runs under the creation lock, so
    // an instance made later is made after it.
    template <class Absent> static T* FindInstance(Absent&& absent);

private:
    static tu::Lock& CreationLock();
    static T* Lookup(); // the creation lock is held
};

// Runs call objects in the user-input (UI) thread, which owns its window whatever thread made
// the executor: made in the UI thread, the executor makes the window at that thread's first
// call (not while it is being constructed: making a window runs the thread's hooks); made
// elsewhere, it asks the UI thread to make the window (a message hook of that thread makes it
// when the thread next takes a message), and calls queue meanwhile. Pending entries wait in
// m_Queue; the append that makes the queue non-empty posts one wake-up (WM_USER), and a one-second
// watchdog timer picks up a wake-up that got lost. The window's thread takes the whole queue at
// once and runs it outside every lock, and releases each call object there.
class CUIExec : public CWnd, public TSingle<CUIExec> {
public:
    // One queued call and its hand-shake with a waiting caller. The window's thread and the
    // waiter (or a thread ending the wait) settle who ends the call by moving its state, so no
    // lock is held while the call runs.
    struct tUICallInfo {
        enum EState {
            eQueued,    // not started
            eRunning,   // the window's thread runs it
            eRan,       // returned normally
            eThrew,     // ended by an exception
            eWithdrawn, // never to run; the window's thread skips it
            eLetGo,     // still running, but its waiter was let go
        };

        // Moves the state from `from` to `to`; false when it was not `from`.
        bool Move(EState from, EState to) {
            int expected = from;
            return eState.compare_exchange_strong(expected, to);
        }

        // The call. Only the window's thread takes it out, to run it or to skip it, so it is
        // released there whether it ran, threw or was withdrawn.
        boost::shared_ptr<CUICall> spCall;
        // Signalled once for a waiting caller: when the call ended, or when another thread
        // ended the wait; never for a call its own waiter withdrew. Only a waiting caller's
        // entry has one; it is lent from the executor's idle events and given back unsignalled.
        std::unique_ptr<CEvent> evDone;
        std::atomic<int> eState{eQueued};
        // What the call is delivered to, if anything (see EndCallsTo).
        boost::weak_ptr<void> wpAddressee;
        // Who holds the entry: the queue (or the batch running it), a waiting caller, a thread
        // ending waits. The last one gives it back to the executor's idle entries, where the
        // next idle one follows it. Both guarded by m_csQueue.
        int nHolders = 0;
        tUICallInfo* pNextIdle = nullptr;
    };

    CUIExec();
    ~CUIExec() override;

    // Runs the call at once in the UI thread; elsewhere queues it and waits up to timeout
    // milliseconds (0: not at all). Results as CallInUIThread's. A call with an addressee is
    // refused (false) while EndCallsTo has closed that addressee.
    bool PushCallInfo(boost::shared_ptr<CUICall> call, unsigned long timeout,
                      boost::shared_ptr<void> const& addressee = {});
    // Closes the addressee for as long as it lives and ends the waits of the calls queued to
    // it: a call not started is withdrawn; a running one keeps running, but its waiter is let
    // go. Each waiter gets false; nothing waits for the running call.
    void EndCallsTo(boost::shared_ptr<void> const& addressee);
    // In the UI thread, makes the window if it is still to be made; elsewhere does nothing.
    void MakeWindowIfPending();

protected:
    // Any message reaching the window while calls are queued runs them.
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    typedef std::vector<tUICallInfo*> tQueue;

    enum EWindow { eWindowPending, eWindowMaking, eWindowReady, eWindowFailed };
    enum EQueued { eNotQueued, eQueuedNotWoken, eQueuedAndWoken };

    void RequestWindow();
    bool QueueCall(boost::shared_ptr<CUICall> call, unsigned long timeout,
                   boost::shared_ptr<void> const& addressee);
    EQueued Enqueue(boost::shared_ptr<CUICall>& call, boost::shared_ptr<void> const& addressee,
                    std::unique_ptr<CEvent>& event, tUICallInfo*& entry);
    tUICallInfo* TakeIdleEntry();
    void Release(tUICallInfo* const* first, tUICallInfo* const* last);
    bool IsClosed(boost::weak_ptr<void> const& addressee) const;
    bool AwaitCall(tUICallInfo& entry, unsigned long timeout);
    void Retire(tUICallInfo& entry);
    tQueue TakeBatch(bool watchdogTick);
    void RunBatch(tQueue const& batch);
    void ReleaseBatch(tQueue& batch);
    void RequeueRest(tQueue const& batch, size_t first);
    static void Finish(tUICallInfo& entry, tUICallInfo::EState end);
    static void EndWait(tUICallInfo& entry);
    bool PostWakeUp();
    bool WakeUpPending();
    std::unique_ptr<CEvent> BorrowEvent();

    DWORD m_dwUIThreadID;
    // Pending entries, oldest first. Guarded by m_csQueue.
    tQueue m_Queue;
    // Guards everything below and m_Queue; never held while a call runs, a window is made or
    // destroyed, or messages are peeked (a peek may deliver messages sent to this thread).
    tu::Lock m_csQueue;
    UINT_PTR m_nTimerID;
    // Entries nobody holds (a list through pNextIdle, at most kMaxIdleEntries), and an empty
    // queue with room for a burst, kept from the last batch.
    tUICallInfo* m_pIdleEntries;
    size_t m_nIdleEntries;
    tQueue m_Spare;
    // Events no waiter is using, all unsignalled.
    std::vector<std::unique_ptr<CEvent>> m_IdleEvents;
    // Entries with an addressee whose caller waits, and addressees closed by EndCallsTo (an
    // addressee stays closed until it is gone).
    tQueue m_Addressed;
    std::vector<boost::weak_ptr<void>> m_Closed;
    // The window's state (an EWindow; read without the lock by the UI thread's fast path),
    // and while it is still to be made, the UI thread's message hook that makes it.
    std::atomic<int> m_eWindow;
    tu::UniqueHook m_windowRequest;
    DWORD m_dwRequestError;
    // Wake-ups posted to the window; a watchdog tick that counts none since its peek and finds
    // calls waiting reports the wake-up lost.
    std::atomic<unsigned> m_nWakeUps;
};

// CallInUIThread for a call delivered to the addressee, which EndCallsTo can close.
bool CallInUIThreadTo(boost::shared_ptr<void> const& addressee, boost::shared_ptr<CUICall> call,
                      unsigned long timeout);
// The executor's EndCallsTo, when the library is not unloading.
void EndCallsTo(boost::shared_ptr<void> const& addressee);

template <class T> tu::Lock& TSingle<T>::CreationLock() {
    // Made on first use, destroyed at unload.
    static tu::Lock s_csCreate;
    return s_csCreate;
}

template <class T> T* TSingle<T>::Lookup() {
    SingleCont::tContainer& container = SingleCont::Get();
    auto found = container.find(CTypeInfo(typeid(T)));
    if (found == container.end() || !found->second.m_pHolder)
        return nullptr;
    return static_cast<SingleCont::CSinglePtr::TSinglePtrHelp<T>*>(found->second.m_pHolder)->Get();
}

template <class T> T* TSingle<T>::GetInstance() {
    typedef SingleCont::CSinglePtr::TSinglePtrHelp<T> tHelp;
    tu::LockGuard lock(CreationLock());
    if (T* found = Lookup())
        return found;
    T* object = new (std::nothrow) T;
    tHelp* holder = object ? new (std::nothrow) tHelp(object) : nullptr;
    if (!holder) {
        delete object;
        return nullptr;
    }
    try {
        SingleCont::Get()[CTypeInfo(typeid(T))].m_pHolder = holder;
    } catch (std::bad_alloc const&) {
        delete holder; // and so the object
        throw;
    }
    return object;
}

template <class T> template <class Absent> T* TSingle<T>::FindInstance(Absent&& absent) {
    tu::LockGuard lock(CreationLock());
    T* found = Lookup();
    if (!found)
        absent();
    return found;
}

} // namespace utl
