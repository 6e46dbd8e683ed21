// UI listener registration: message-center registrations whose handlers run in the UI thread,
// through a transport per registration kept alive by a process-wide registry.
#include "tuUICall.h"

#include "common/Boundary.h"
#include "common/Lock.h"

#include <BaseKit/App.h>

#include <boost/smart_ptr/owner_less.hpp>

#include <map>
#include <new>

namespace utl {

// What the center calls for one registration. It holds the application's handler only
// weakly; the registry holds the transport, the center only a weak reference to it.
class CEventTransport : public CEventHandler {
public:
    // One message on its way to the UI thread; keeps the handler alive until it is gone.
    class CEventHelper : public CUICall {
    public:
        CEventHelper(CMsgCenter::tHandlerFn function, CMsgCenter const& center, int first,
                     int second, boost::any const& data)
            : m_pfnHandler(function), m_pCenter(&center), m_nArg1(first), m_nArg2(second),
              m_Data(data) {}

        // Takes the handler's reference; false when the handler is gone.
        bool Hold(boost::weak_ptr<CEventHandler> const& handler) {
            m_spHandler = handler.lock();
            return m_spHandler != nullptr;
        }

        void Execute() override {
            ((*m_spHandler).*m_pfnHandler)(*m_pCenter, m_nArg1, m_nArg2, m_Data);
        }

    private:
        boost::shared_ptr<CEventHandler> m_spHandler;
        CMsgCenter::tHandlerFn m_pfnHandler;
        CMsgCenter const* m_pCenter; // the center must outlive the messages it dispatched
        int m_nArg1;
        int m_nArg2;
        boost::any m_Data;
    };

    CEventTransport(boost::weak_ptr<CEventHandler> handler, CMsgCenter::tHandlerFn function)
        : m_wpHandler(std::move(handler)), m_pfnHandler(function) {}

    // Called by the center in its dispatching thread: runs the handler at once in the UI
    // thread, queues it there without waiting from any other, drops it when it is gone.
    // Another thread keeps no reference of its own: the only one is the queued message's, so
    // the handler's last reference goes in the UI thread, where the executor releases calls.
    void Forward(CMsgCenter const& center, int first, int second, boost::any const& data) {
        if (app::IsUserInputThread()) {
            if (boost::shared_ptr<CEventHandler> handler = m_wpHandler.lock())
                ((*handler).*m_pfnHandler)(center, first, second, data);
            return;
        }
        boost::shared_ptr<CEventHelper> helper;
        try {
            helper.reset(new CEventHelper(m_pfnHandler, center, first, second, data));
        } catch (std::bad_alloc const&) {
            return; // dropped before any reference to the handler was taken
        }
        if (helper->Hold(m_wpHandler))
            CallInUIThread(std::move(helper), 0);
    }

private:
    boost::weak_ptr<CEventHandler> m_wpHandler;
    CMsgCenter::tHandlerFn m_pfnHandler;
};

namespace {

typedef boost::weak_ptr<CEventHandler> tHandlerRef;
typedef boost::shared_ptr<CEventTransport> tTransportPtr;
// A center's registrations: all weak references to one handler object compare equal.
typedef std::multimap<tHandlerRef, tTransportPtr, boost::owner_less<tHandlerRef>> tCenterEntries;

// Every UI registration by center; a center is present only while it has entries.
// Guarded by g_csUIListeners. Destroyed after the lock at unload, releasing every transport.
std::map<CMsgCenter const*, tCenterEntries> g_UIListeners;
tu::Lock g_csUIListeners;

tTransportPtr Register(CMsgCenter const& center, tHandlerRef const& handler,
                       CMsgCenter::tHandlerFn function) {
    tTransportPtr transport(new CEventTransport(handler, function));
    tu::LockGuard lock(g_csUIListeners);
    tCenterEntries& entries = g_UIListeners[&center];
    try {
        entries.emplace(handler, transport);
    } catch (std::bad_alloc const&) {
        if (entries.empty())
            g_UIListeners.erase(&center);
        throw;
    }
    return transport;
}

CMsgCenter::tHandlerFn ForwardFn() {
    return static_cast<CMsgCenter::tHandlerFn>(&CEventTransport::Forward);
}

// Takes a registration out of the registry again (the center refused it).
void Unregister(CMsgCenter const& center, tTransportPtr const& transport) {
    tu::LockGuard lock(g_csUIListeners);
    auto found = g_UIListeners.find(&center);
    if (found == g_UIListeners.end())
        return;
    tCenterEntries& entries = found->second;
    for (auto it = entries.begin(); it != entries.end(); ++it)
        if (it->second == transport) {
            entries.erase(it);
            break;
        }
    if (entries.empty())
        g_UIListeners.erase(found);
}

// Registers at the registry, then at the center; when memory runs out on the way, nothing of
// the registration stays behind.
template <class AddAtCenter>
void AddRegistration(CMsgCenter& center, tHandlerRef const& handler,
                     CMsgCenter::tHandlerFn function, AddAtCenter addAtCenter) {
    if (!function)
        return;
    tTransportPtr transport;
    try {
        transport = Register(center, handler, function);
        addAtCenter(tHandlerRef(transport));
    } catch (std::bad_alloc const&) {
        if (transport)
            Unregister(center, transport);
    }
}

void RemoveRegistrations(CMsgCenter& center, tHandlerRef const& handler) {
    tu::LockGuard lock(g_csUIListeners);
    auto found = g_UIListeners.find(&center);
    if (found == g_UIListeners.end())
        return;
    tCenterEntries& entries = found->second;
    auto range = entries.equal_range(handler);
    for (auto it = range.first; it != range.second; ++it)
        center.RemoveListener(tHandlerRef(it->second));
    entries.erase(range.first, range.second);
    if (entries.empty())
        g_UIListeners.erase(found);
}

} // namespace

void WINAPI AddUIListener(CMsgCenter& center, int code, tHandlerRef const& handler,
                          CMsgCenter::tHandlerFn function) {
    tu::Guarded([&] {
        AddRegistration(center, handler, function, [&](tHandlerRef const& transport) {
            center.AddListener(code, transport, ForwardFn());
        });
    });
}

void WINAPI AddUIListener(CMsgCenter& center, int code1, int code2, tHandlerRef const& handler,
                          CMsgCenter::tHandlerFn function) {
    tu::Guarded([&] {
        AddRegistration(center, handler, function, [&](tHandlerRef const& transport) {
            center.AddListener(code1, code2, transport, ForwardFn());
        });
    });
}

// The center learns of each ended registration under the transport it was made with, so the
// handler's own direct registrations at the center stay untouched.
// When the center cannot take them back for lack of memory, the registry keeps them, so a later
// removal can.
void WINAPI RemoveUIListener(CMsgCenter& center, tHandlerRef const& handler) {
    tu::Guarded([&] { RemoveRegistrations(center, handler); });
}

} // namespace utl
