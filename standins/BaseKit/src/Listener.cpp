// Listeners, their holders and event sources.
#include "BaseKit/Listener.h"

#include <boost/weak_ptr.hpp>

#include <windows.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace utl {

// Stands for one listener. Deliveries in any number of threads may run at once; the listener
// is forgotten only when none runs outside the forgetting thread, so it is never destroyed
// under a running delivery, and a delivery that waits for another thread's delivery to the
// same listener does not block it.
struct tHolder {
    explicit tHolder(CListener* listener) : pListener(listener) {}

    // The listener with a delivery counted as running, or null when it is gone or going.
    CListener* BeginDelivery() {
        std::lock_guard<std::mutex> guard(lock);
        if (!pListener)
            return nullptr;
        running.push_back(::GetCurrentThreadId());
        return pListener;
    }
    void EndDelivery() {
        std::lock_guard<std::mutex> guard(lock);
        running.erase(std::find(running.begin(), running.end(), ::GetCurrentThreadId()));
        ended.notify_all();
    }
    // Refuses new deliveries, then waits for those of other threads (a listener may be
    // destroyed by its own handler).
    void Forget() {
        std::unique_lock<std::mutex> guard(lock);
        pListener = nullptr;
        DWORD self = ::GetCurrentThreadId();
        ended.wait(guard, [&] {
            return std::all_of(running.begin(), running.end(),
                               [&](DWORD id) { return id == self; });
        });
    }

    std::mutex lock;
    std::condition_variable ended;
    CListener* pListener;
    std::vector<DWORD> running; // one entry per delivery in progress, by thread
};

// Counts one delivery for its lifetime.
class DeliveryScope {
public:
    explicit DeliveryScope(tHolder& holder)
        : m_holder(holder), m_listener(holder.BeginDelivery()) {}
    ~DeliveryScope() {
        if (m_listener)
            m_holder.EndDelivery();
    }
    DeliveryScope(DeliveryScope const&) = delete;
    DeliveryScope& operator=(DeliveryScope const&) = delete;
    CListener* Listener() const { return m_listener; }

private:
    tHolder& m_holder;
    CListener* m_listener;
};

struct CEventSource::tImpl {
    std::mutex lock;
    std::vector<boost::weak_ptr<tHolder>> holders;

    std::vector<boost::shared_ptr<tHolder>> LiveHolders() {
        std::lock_guard<std::mutex> guard(lock);
        std::vector<boost::shared_ptr<tHolder>> live;
        for (auto const& weak : holders)
            if (auto holder = weak.lock())
                live.push_back(holder);
        return live;
    }
};

CEventSource::CEventSource() : m_pImpl(new tImpl) {}

CEventSource::~CEventSource() {
    delete m_pImpl;
}

void CEventSource::Raise(unsigned int first, unsigned int second, boost::any const& data) const {
    for (auto const& holder : m_pImpl->LiveHolders())
        ListenerCall(holder, first, second, data);
}

void CEventSource::Raise(unsigned int first, boost::any const& data) const {
    for (auto const& holder : m_pImpl->LiveHolders()) {
        DeliveryScope delivery(*holder);
        if (delivery.Listener())
            delivery.Listener()->Work(first, data);
    }
}

CListener::CListener() : m_spHolder(new tHolder(this)) {}

CListener::CListener(CEventSource const& source) : CListener() {
    std::lock_guard<std::mutex> guard(source.m_pImpl->lock);
    source.m_pImpl->holders.push_back(m_spHolder);
}

CListener::~CListener() {
    m_spHolder->Forget();
}

void CListener::Work(unsigned int, boost::any const&) {}

void CListener::Work(unsigned int, unsigned int, boost::any const&) {}

boost::shared_ptr<tHolder> CListener::GetHolder() const {
    return m_spHolder;
}

CListener::EPriority ListenerCall(boost::shared_ptr<tHolder> const& holder, unsigned int first,
                                  unsigned int second, boost::any const& data) {
    if (!holder)
        return CListener::ePriNone;
    DeliveryScope delivery(*holder);
    if (!delivery.Listener())
        return CListener::ePriNone;
    delivery.Listener()->Work(first, second, data);
    return CListener::ePriNormal;
}

CMapListener::CMapListener() = default;

CMapListener::CMapListener(CEventSource const& source) : CListener(source) {}

CMapListener::~CMapListener() = default;

void CMapListener::Work(unsigned int first, unsigned int second, boost::any const& data) {
    auto it = m_Handlers.find(first);
    if (it != m_Handlers.end())
        it->second(first, second, data);
}

void CMapListener::MapHandler(unsigned int first, tHandler handler) {
    m_Handlers[first] = std::move(handler);
}

} // namespace utl
