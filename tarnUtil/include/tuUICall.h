// UI-thread calls and listeners: call objects run in the user-input thread, and listeners and
// message-center registrations whose work always happens there.
// Threads: any thread; call objects, WorkUI and handlers always run in the UI thread.
#pragma once

#include "tuExport.h"

#include <BaseKit/Listener.h>
#include <BaseKit/MsgCenter.h>

#include <boost/any.hpp>
#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

#include <windows.h>

namespace utl {

// A piece of work to run in the user-input (UI) thread. Subclasses carry their arguments and
// results in their own fields; a caller that waited reads the results after the call returns.
// Always held by boost::shared_ptr: the library keeps a reference until the call has run or
// been dropped, so a caller that does not wait may release its own at once.
class TARNUTIL_API CUICall {
public:
    // An empty call object; subclasses add their arguments.
    CUICall();
    // Copying copies the subclass's fields only: a copy is a new call, not queued anywhere.
    CUICall(CUICall const& other);
    CUICall& operator=(CUICall const& other);
    virtual ~CUICall();

    // The work; runs in the UI thread. An exception passes to whoever dispatched it there.
    virtual void Execute() = 0;
};

// Runs the call in the UI thread, waiting up to timeout milliseconds for it (0: queue and
// return at once; INFINITE: wait until it has run).
// - empty call: false, nothing else happens;
// - called in the UI thread: the call runs before this returns; true;
// - timeout 0 from another thread: true when the call was queued and its wake-up posted
//   (false when that post failed: the call stays queued and runs at the next watchdog tick);
// - otherwise: true exactly when the call ran and returned normally before the wait ended.
// A waiter that gives up withdraws a call that has not started, which then never runs; one
// that is running as the time-out runs out is waited for to its end. Failures are recorded as
// the base library's last error of the calling thread (function "utl::CUIExec::PushCallInfo",
// line 151: the post failed, code = the Win32 error; line 167: the wait ran out, code = 258).
// Queued calls run, in order, when the UI thread dispatches messages, whichever thread made
// the first call. The executor's message-only window always belongs to the UI thread: when a
// worker makes the process's first call, the library hooks the UI thread's message retrieval
// and posts it a thread message, and the UI thread makes the window when it next takes a
// message (in its own loop or any modal one); the worker's call queues meanwhile and, waited
// for or not, runs after the window exists. No thread ever waits for the window to be made,
// so a blocked UI thread blocks only the callers that wait for their calls. A call not waited
// for returns true once the UI thread was asked; should the UI thread then fail to make the
// window, the calls queued so far are dropped and the failure is recorded in the UI thread;
// their waiters, and every later call from another thread, fail (false, line 151, code 1400).
// The library's reference to a queued call object is released in the UI thread, whether the
// call ran, threw, was withdrawn or was dropped because the window could not be made (calls
// still queued when the library is unloaded go in the unloading thread). A call that is not
// queued (memory running out, the window failed, the library unloading) stays with its caller:
// false, and the library keeps no reference.
TARNUTIL_API bool WINAPI CallInUIThread(boost::shared_ptr<CUICall> call, unsigned long timeout);

// A listener whose three-word events are always handled in the UI thread, by WorkUI.
// Events delivered in another thread are forwarded there and waited for up to the time-out
// given at construction (0: do not wait; INFINITE: until handled). Two-word events are
// handled by CListener in the delivering thread.
class TARNUTIL_API CUIListener : public CListener {
public:
    // A listener that waits up to timeout milliseconds for each forwarded event, listening to
    // nothing yet or already to the source. A constructor has no result to fail with: when the
    // base library's listener cannot get memory, its std::bad_alloc reaches the caller, as from
    // new itself; no other exception of the library does.
    explicit CUIListener(unsigned long timeout = 0);
    CUIListener(CEventSource const& source, unsigned long timeout = 0);
    // Ends the deliveries that threads are still waiting for: a forwarded event not yet handled
    // is withdrawn, one being handled right now goes on, and either way its waiting thread is
    // let go at once with CallInUIThread's false; events forwarded after this point are
    // refused. So destroying a waiting listener never waits on a thread that waits on the UI
    // thread. Destroying a listener that never forwarded anything makes no window and hooks
    // nothing.
    ~CUIListener() override;

protected:
    using CListener::Work;
    // Calls WorkUI at once in the UI thread; elsewhere forwards the event to the UI thread.
    void Work(unsigned int first, unsigned int second, boost::any const& data) override;
    // The application's handler, always called in the UI thread with Work's arguments.
    virtual void WorkUI(unsigned int first, unsigned int second, boost::any const& data) = 0;

    unsigned long m_dwTimeout; // how long a forwarding thread waits, in milliseconds
};

// A map listener whose three-word events are always handled in the UI thread, the map
// listener's way; forwarding and time-out as with CUIListener.
class TARNUTIL_API CUIMapListener : public CMapListener {
public:
    // A map listener that waits up to timeout milliseconds for each forwarded event, listening
    // to nothing yet or already to the source; running out of memory as with CUIListener.
    explicit CUIMapListener(unsigned long timeout = 0);
    CUIMapListener(CEventSource const& source, unsigned long timeout = 0);
    // Ends waited-for deliveries as CUIListener's destructor does.
    ~CUIMapListener() override;

    using CMapListener::Work;
    // Handles the event at once in the UI thread; elsewhere forwards it to the UI thread.
    void Work(unsigned int first, unsigned int second, boost::any const& data) override;

protected:
    unsigned long m_dwTimeout; // how long a forwarding thread waits, in milliseconds

private:
    void WorkUI(unsigned int first, unsigned int second, boost::any const& data);
};

// Registers the handler's member function at the center for messages with this code, so that
// it always runs in the UI thread (dispatched elsewhere, the message is queued to the UI
// thread without waiting). Only a weak reference is kept: once the handler is gone, its
// messages are dropped. Registering the same handler again adds another registration.
// A null member function is refused (nothing is registered), and so is a registration for
// which memory runs out (nothing of it stays behind). A worker dispatching a message keeps no
// reference to the handler of its own: the queued message holds the only one and is released
// in the UI thread, so the handler's last reference never goes in a worker (except when the
// message cannot be queued at all: at unload, after the executor's window failed, or when
// memory runs out).
TARNUTIL_API void WINAPI AddUIListener(CMsgCenter& center, int code,
                                       boost::weak_ptr<CEventHandler> const& handler,
                                       CMsgCenter::tHandlerFn function);

// The same for messages with either of two codes.
TARNUTIL_API void WINAPI AddUIListener(CMsgCenter& center, int code1, int code2,
                                       boost::weak_ptr<CEventHandler> const& handler,
                                       CMsgCenter::tHandlerFn function);

// Ends every UI registration of the handler at the center; nothing happens when it has none.
// Messages already queued to the UI thread are still delivered. When the center runs out of
// memory taking them back, the registrations stay, for a later removal.
TARNUTIL_API void WINAPI RemoveUIListener(CMsgCenter& center,
                                          boost::weak_ptr<CEventHandler> const& handler);

} // namespace utl
