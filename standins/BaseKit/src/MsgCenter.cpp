// The message center: registrations by weak reference, dispatch in the calling thread.
#include "BaseKit/MsgCenter.h"

#include <boost/shared_ptr.hpp>

#include <mutex>
#include <vector>

namespace utl {

CEventHandler::~CEventHandler() = default;

struct CMsgCenter::tImpl {
    struct tRegistration {
        int code1;
        int code2;
        boost::weak_ptr<CEventHandler> handler;
        tHandlerFn function;
    };
    mutable std::mutex lock;
    std::vector<tRegistration> registrations;
};

CMsgCenter::CMsgCenter() : m_pImpl(new tImpl) {}

CMsgCenter::~CMsgCenter() {
    delete m_pImpl;
}

void CMsgCenter::AddListener(int code, boost::weak_ptr<CEventHandler> const& handler,
                             tHandlerFn function) {
    AddListener(code, code, handler, function);
}

void CMsgCenter::AddListener(int code1, int code2, boost::weak_ptr<CEventHandler> const& handler,
                             tHandlerFn function) {
    std::lock_guard<std::mutex> guard(m_pImpl->lock);
    m_pImpl->registrations.push_back({code1, code2, handler, function});
}

void CMsgCenter::RemoveListener(boost::weak_ptr<CEventHandler> const& handler) {
    std::vector<tImpl::tRegistration> removed; // released outside the lock
    std::lock_guard<std::mutex> guard(m_pImpl->lock);
    auto& all = m_pImpl->registrations;
    for (auto it = all.begin(); it != all.end();) {
        bool sameOwner = !it->handler.owner_before(handler) && !handler.owner_before(it->handler);
        if (sameOwner) {
            removed.push_back(*it);
            it = all.erase(it);
        } else {
            ++it;
        }
    }
}

void CMsgCenter::Dispatch(int code, int word, boost::any const& data) const {
    struct tCall {
        boost::shared_ptr<CEventHandler> object;
        tHandlerFn function;
    };
    std::vector<tCall> calls;
    {
        std::lock_guard<std::mutex> guard(m_pImpl->lock);
        for (auto const& reg : m_pImpl->registrations)
            if (reg.code1 == code || reg.code2 == code)
                if (auto object = reg.handler.lock())
                    calls.push_back({object, reg.function});
    }
    for (auto const& call : calls)
        ((*call.object).*call.function)(*this, code, word, data);
}

std::size_t CMsgCenter::GetListenerCount() const {
    std::lock_guard<std::mutex> guard(m_pImpl->lock);
    return m_pImpl->registrations.size();
}

} // namespace utl
