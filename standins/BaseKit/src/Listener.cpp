// Listeners, their holders and event sources.
#include "BaseKit/Listener.h"

#include <boost/weak_ptr.hpp>

#include <mutex>
#include <vector>

namespace utl {

// Stands for one listener. The lock is held while the listener works and while it is
// forgotten, so a listener is never destroyed under a running delivery.
struct tHolder {
    explicit tHolder(CListener* listener) : pListener(listener) {}
    std::recursive_mutex lock;
    CListener* pListener;
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
        std::lock_guard<std::recursive_mutex> guard(holder->lock);
        if (holder->pListener)
            holder->pListener->Work(first, data);
    }
}

CListener::CListener() : m_spHolder(new tHolder(this)) {}

CListener::CListener(CEventSource const& source) : CListener() {
    std::lock_guard<std::mutex> guard(source.m_pImpl->lock);
    source.m_pImpl->holders.push_back(m_spHolder);
}

CListener::~CListener() {
    std::lock_guard<std::recursive_mutex> guard(m_spHolder->lock);
    m_spHolder->pListener = nullptr;
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
    std::lock_guard<std::recursive_mutex> guard(holder->lock);
    if (!holder->pListener)
        return CListener::ePriNone;
    holder->pListener->Work(first, second, data);
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
