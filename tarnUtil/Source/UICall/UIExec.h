// The UI call executor: a message-only window that runs queued call objects in its thread,
// and the singleton accessor that makes it.
#pragma once

#include "tuUICall.h"

#include "common/WindowsSupport.h"

#include <BaseKit/SingleCont.h>

#include <afxmt.h>
#include <afxwin.h>

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
    // Finds or creates the instance; null only when it cannot be allocated.
    static T* GetInstance();
};

// Runs call objects in the thread that owns its window (the thread that made it).
// Pending entries wait in m_Queue; the append that makes the queue non-empty posts one
// wake-up (WM_USER), and a one-second watchdog timer picks up a wake-up that got lost.
// The window's thread takes the whole queue at once and runs it outside every lock.
class CUIExec : public CWnd, public TSingle<CUIExec> {
public:
    // One queued call and its hand-shake with a waiting caller.
    struct tUICallInfo {
        explicit tUICallInfo(boost::shared_ptr<CUICall> call) : spCall(std::move(call)) {}

        // The call; a waiter that gives up empties it, after which the entry is skipped.
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
    };
    typedef boost::shared_ptr<tUICallInfo> tUICallInfoPtr;

    CUIExec();
    ~CUIExec() override;

    // Runs the call at once in the UI thread; elsewhere queues it and waits up to timeout
    // milliseconds (0: not at all). Results as CallInUIThread's.
    bool PushCallInfo(boost::shared_ptr<CUICall> call, unsigned long timeout);

protected:
    // Any message reaching the window while calls are queued runs them.
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    typedef std::vector<tUICallInfoPtr> tQueue;

    bool Enqueue(tUICallInfoPtr const& entry);
    bool AwaitCall(tUICallInfo& entry, unsigned long timeout);
    tQueue TakeBatch(bool watchdogTick);
    void RunBatch(tQueue const& batch);
    void RequeueRest(tQueue const& batch, size_t first);
    bool PostWakeUp();
    bool WakeUpPending();
    std::unique_ptr<CEvent> BorrowEvent();
    void ReturnEvent(std::unique_ptr<CEvent> event);

    DWORD m_dwUIThreadID;
    // Pending entries, oldest first. Guarded by m_csQueue.
    tQueue m_Queue;
    // Guards m_Queue and m_IdleEvents; never held while a call runs.
    CCriticalSection m_csQueue;
    UINT_PTR m_nTimerID;
    // Events no waiter is using, all unsignalled. Guarded by m_csQueue.
    std::vector<std::unique_ptr<CEvent>> m_IdleEvents;
};

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
        container[key].m_pHolder = holder;
        found = container.find(key);
    }
    return static_cast<tHelp*>(found->second.m_pHolder)->Get();
}

} // namespace utl
