// The message center: handlers registered by weak reference, called in the dispatching thread.
#pragma once

#include "Export.h"

#include <boost/any.hpp>
#include <boost/weak_ptr.hpp>

#include <cstddef>

namespace utl {

class CMsgCenter;

// Base of objects that the message center calls.
class BASEKIT_API CEventHandler {
public:
    virtual ~CEventHandler();
};

class BASEKIT_API CMsgCenter {
public:
    typedef void (CEventHandler::*tHandlerFn)(CMsgCenter const&, int, int, boost::any const&);

    CMsgCenter();
    ~CMsgCenter();
    CMsgCenter(CMsgCenter const&) = delete;
    CMsgCenter& operator=(CMsgCenter const&) = delete;

    // Registers the member function for messages with this code.
    void AddListener(int code, boost::weak_ptr<CEventHandler> const& handler, tHandlerFn function);
    // Registers the member function for messages with either code.
    void AddListener(int code1, int code2, boost::weak_ptr<CEventHandler> const& handler,
                     tHandlerFn function);
    // Removes every registration made under the handler's object.
    void RemoveListener(boost::weak_ptr<CEventHandler> const& handler);

    // Calls, in the calling thread, each registration for the code whose object still lives,
    // with (this center, code, word, data); no lock is held while a handler runs.
    void Dispatch(int code, int word, boost::any const& data) const;
    // Registrations held, live or not.
    std::size_t GetListenerCount() const;

private:
    struct tImpl;
    tImpl* m_pImpl;
};

} // namespace utl
