// UI listener registration: message-center registrations whose handlers run in the UI thread,
// through a transport per registration kept alive by a process-wide registry.
#include "tuUICall.h"

#include <BaseKit/App.h>

#include <afxmt.h>

#include <boost/smart_ptr/owner_less.hpp>

#include <map>

namespace utl {

// What the center calls for one registration. It holds the application's handler only
// weakly; the registry holds the transport, the center only a weak reference to it.
class CEventTransport : public CEventHandler {
public:
    // One message on its way to the UI thread; keeps the handler alive until it is gone.
    class CEventHelper : public CUICall {
    public:
        CEventHelper(boost::shared_ptr<CEventHandler> handler, CMsgCenter::tHandlerFn function,
                     CMsgCenter const& center, int first, int second, boost::any const& data)
            : m_spHandler(std::move(handler)), m_pfnHandler(function), m_pCenter(&center),
              m_nArg1(first), m_nArg2(second), m_Data(data) {}

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
    void Forward(CMsgCenter const& center, int first, int second, boost::any const& data) {
        boost::shared_ptr<CEventHandler> handler = m_wpHandler.lock();
        if (!handler)
            return;
        if (app::IsUserInputThread()) {
            ((*handler).*m_pfnHandler)(center, first, second, data);
            return;
        }
        boost::shared_ptr<CUICall> helper(
            new CEventHelper(handler, m_pfnHandler, center, first, second, data));
        CallInUIThread(helper, 0);
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
CCriticalSection g_csUIListeners;

tTransportPtr Register(CMsgCenter const& center, tHandlerRef const& handler,
                       CMsgCenter::tHandlerFn function) {
    tTransportPtr transport(new CEventTransport(handler, function));
    CSingleLock lock(&g_csUIListeners, TRUE);
    g_UIListeners[&center].emplace(handler, transport);
    return transport;
}

CMsgCenter::tHandlerFn ForwardFn() {
    return static_cast<CMsgCenter::tHandlerFn>(&CEventTransport::Forward);
}

} // namespace

void WINAPI AddUIListener(CMsgCenter& center, int code, tHandlerRef const& handler,
                          CMsgCenter::tHandlerFn function) {
    tTransportPtr transport = Register(center, handler, function);
    center.AddListener(code, tHandlerRef(transport), ForwardFn());
}

void WINAPI AddUIListener(CMsgCenter& center, int code1, int code2, tHandlerRef const& handler,
                          CMsgCenter::tHandlerFn function) {
    tTransportPtr transport = Register(center, handler, function);
    center.AddListener(code1, code2, tHandlerRef(transport), ForwardFn());
}

// The center learns of each ended registration under the transport it was made with, so the
// handler's own direct registrations at the center stay untouched.
void WINAPI RemoveUIListener(CMsgCenter& center, tHandlerRef const& handler) {
    CSingleLock lock(&g_csUIListeners, TRUE);
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

} // namespace utl
