// UI listeners: listeners whose three-word events are handled in the UI thread, and the call
// object that carries one event there.
#include "UICall/UIExec.h"

#include "common/Boundary.h"

#include <BaseKit/App.h>

namespace utl {

// One event on its way to the UI thread. It reaches the listener only through the listener's
// holder, so an event whose listener died on the way is dropped by the base library.
class CMessageTransport : public CUICall {
public:
    CMessageTransport(boost::shared_ptr<tHolder> holder, unsigned int first, unsigned int second,
                      boost::any const& data)
        : m_spHolder(std::move(holder)), m_nArg1(first), m_nArg2(second), m_Data(data) {}

    void Execute() override { ListenerCall(m_spHolder, m_nArg1, m_nArg2, m_Data); }

private:
    boost::shared_ptr<tHolder> m_spHolder;
    unsigned int m_nArg1;
    unsigned int m_nArg2;
    boost::any m_Data;
};

namespace {
// Hands the event to the UI thread, where the holder's listener takes it again through Work.
// The call is addressed to the holder, so the listener's end can end its wait.
void ForwardToUIThread(CListener const& listener, unsigned int first, unsigned int second,
                       boost::any const& data, unsigned long timeout) {
    boost::shared_ptr<tHolder> holder = listener.GetHolder();
    boost::shared_ptr<CUICall> transport(new CMessageTransport(holder, first, second, data));
    CallInUIThreadTo(holder, std::move(transport), timeout);
}

// Handles the event at once in the UI thread, elsewhere forwards it there; an event that cannot
// be packed for lack of memory is dropped. What the handler throws is the application's own.
template <class Handle>
void HandleInUIThread(CListener const& listener, unsigned int first, unsigned int second,
                      boost::any const& data, unsigned long timeout, Handle handle) {
    tu::Guarded([&] {
        if (app::IsUserInputThread())
            tu::CallerCode(handle);
        else
            ForwardToUIThread(listener, first, second, data, timeout);
    });
}
} // namespace

CUIListener::CUIListener(unsigned long timeout) : m_dwTimeout(timeout) {}

CUIListener::CUIListener(CEventSource const& source, unsigned long timeout)
    : CListener(source), m_dwTimeout(timeout) {}

// A thread waiting for this listener's event to be handled in the UI thread holds a delivery
// that the base class waits for: its wait is ended first, so the two never wait on each other.
CUIListener::~CUIListener() {
    EndCallsTo(GetHolder());
}

void CUIListener::Work(unsigned int first, unsigned int second, boost::any const& data) {
    HandleInUIThread(*this, first, second, data, m_dwTimeout, [&] { WorkUI(first, second, data); });
}

CUIMapListener::CUIMapListener(unsigned long timeout) : m_dwTimeout(timeout) {}

CUIMapListener::CUIMapListener(CEventSource const& source, unsigned long timeout)
    : CMapListener(source), m_dwTimeout(timeout) {}

CUIMapListener::~CUIMapListener() {
    EndCallsTo(GetHolder());
}

void CUIMapListener::Work(unsigned int first, unsigned int second, boost::any const& data) {
    HandleInUIThread(*this, first, second, data, m_dwTimeout, [&] { WorkUI(first, second, data); });
}

void CUIMapListener::WorkUI(unsigned int first, unsigned int second, boost::any const& data) {
    CMapListener::Work(first, second, data);
}

} // namespace utl
