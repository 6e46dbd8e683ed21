// The UI call executor: a message-only window that runs queued call objects in its thread,
// and the singleton accessor that makes it.
#pragma once

#include "tuUICall.h"

#include "common/WindowsSupport.h"

#include <BaseKit/SingleCont.h>

#include <afxmt.h>
#include <afxwin.h>

#include <atomic>
#include <memory>
#include <new>
#include <optional>
#include <typeinfo>
#include <vector>

namespace utl {

// Mix-in giving a class one process-wide instance, kept in the base library's singleton
// container under the class's type identity.
template <class T> class TSingle {
public:
    // Finds or creates the instance; null when it cannot be allocated, std::bad_alloc when the
    // container cannot take it (nothing is left behind then).
    static T* GetInstance();
};

// Runs call objects in the user-input (UI) thread, which owns its window whatever thread made
// the executor: made elsewhere, the executor asks the UI thread to make the window (a message
// hook of that thread makes it when the thread next takes a message), and calls queue
// meanwhile. Pending entries wait in m_Queue; the append that makes the queue non-empty posts
// one wake-up (WM_USER), and a one-second watchdog timer picks up a wake-up that got lost.
// The window's thread takes the whole queue at once and runs it outside every lock, and
// releases each call object there.
class CUIExec : public CWnd, public TSingle<CUIExec> {
public:
    // One queued call and its hand-shake with a waiting caller.
    struct tUICallInfo {
        tUICallInfo(boost::shared_ptr<CUICall> call, boost::shared_ptr<void> const& addressee)
            : spCall(std::move(call)), wpAddressee(addressee) {}

        // The call; emptied once it ran (in the window's thread) or was withdrawn, after which
        // the entry is skipped.
        boost::shared_ptr<CUICall> spCall;
        // Signalled once after the call ran or threw. Only a waiting caller has one (no
        // kernel object for calls nobody waits on); it is lent from the executor's idle
        // events and given back unsignalled.
        std::unique_ptr<CEvent> evDone;
        // Held by the window's thread around Execute, and by a waiter around its last check
        // and withdrawal, so a waiter withdraws only a call that has not started. Only a
        // waiting caller's entry has one: no one else could ever contend for it.
        std::optional<CCriticalSection> csCall;
        // True once Execute returned normally; set before evDone is signalled.
        bool bDone = false;
        // Guarded by csCall. True while the window's thread runs the call, and once the wait
        // was ended for an addressee that goes away (evDone is then signalled no more).
        bool bRunning = false;
        bool bWaitEnded = false;
        // What the call is delivered to, if anything (see EndCallsTo).
        boost::weak_ptr<void> wpAddressee;
    };
    typedef boost::shared_ptr<tUICallInfo> tUICallInfoPtr;

    CUIExec();
    ~CUIExec() override;

    // Runs the call at once in the UI thread; elsewhere queues it and waits up to timeout
    // milliseconds (0: not at all). Results as CallInUIThread's. A call with an addressee is
    // refused (false) while EndCallsTo has closed that addressee.
    bool PushCallInfo(boost::shared_ptr<CUICall> call, unsigned long timeout,
                      boost::shared_ptr<void> const& addressee = {});
    // Closes the addressee for as long as it lives and ends the waits of the calls queued to
    // it: a call not started is withdrawn; one running in this very thread keeps running, but
    // its waiter is let go. Each waiter gets false.
    void EndCallsTo(boost::shared_ptr<void> const& addressee);
    // In the UI thread, makes the window if it is still to be made; elsewhere does nothing.
    void MakeWindowIfPending();

protected:
    // Any message reaching the window while calls are queued runs them.
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    typedef std::vector<tUICallInfoPtr> tQueue;

    enum EWindow { eWindowPending, eWindowMaking, eWindowReady, eWindowFailed };
    enum EQueued { eNotQueued, eQueuedNotWoken, eQueuedAndWoken };

    void RequestWindow();
    bool QueueCall(boost::shared_ptr<CUICall> call, unsigned long timeout,
                   boost::shared_ptr<void> const& addressee);
    EQueued Enqueue(tUICallInfoPtr const& entry);
    bool IsClosed(boost::weak_ptr<void> const& addressee) const;
    bool AwaitCall(tUICallInfoPtr const& entry, unsigned long timeout);
    void Retire(tUICallInfoPtr const& entry, std::unique_ptr<CEvent> event);
    tQueue TakeBatch(bool watchdogTick);
    void RunBatch(tQueue const& batch);
    void RequeueRest(tQueue const& batch, size_t first);
    static void EndWait(tUICallInfo& entry);
    bool PostWakeUp();
    bool WakeUpPending();
    std::unique_ptr<CEvent> BorrowEvent();

    DWORD m_dwUIThreadID;
    // Pending entries, oldest first. Guarded by m_csQueue.
    tQueue m_Queue;
    // Guards everything below and m_Queue; never held while a call runs.
    CCriticalSection m_csQueue;
    UINT_PTR m_nTimerID;
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
};

// CallInUIThread for a call delivered to the addressee, which EndCallsTo can close.
bool CallInUIThreadTo(boost::shared_ptr<void> const& addressee, boost::shared_ptr<CUICall> call,
                      unsigned long timeout);
// The executor's EndCallsTo, when the library is not unloading.
void EndCallsTo(boost::shared_ptr<void> const& addressee);

template <class T> T* TSingle<T>::GetInstance() {
    typedef SingleCont::CSinglePtr::TSinglePtrHelp<T> tHelp;
    // Serializes creation; made on first use, destroyed at unload.
    static CCriticalSection s_csCreate;
    CSingleLock lock(&s_csCreate, TRUE);
    SingleCont::tContainer& container = SingleCont::Get();
    CTypeInfo key(typeid(T));
    auto found = container.find(key);
    if (found == container.end() || !found->second.m_pHolder) {
        T* object = new (std::nothrow) T;
        tHelp* holder = object ? new (std::nothrow) tHelp(object) : nullptr;
        if (!holder) {
            delete object;
            return nullptr;
        }
        try {
            container[key].m_pHolder = holder;
        } catch (std::bad_alloc const&) {
            delete holder; // and so the object
            throw;
        }
        found = container.find(key);
    }
    return static_cast<tHelp*>(found->second.m_pHolder)->Get();
}

} // namespace utl
