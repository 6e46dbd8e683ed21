// Listeners of the base library: event sources, listeners, map listeners and their holders.
#pragma once

#include "Export.h"

#include <boost/any.hpp>
#include <boost/shared_ptr.hpp>

#include <functional>
#include <map>

namespace utl {

class CListener;
struct tHolder;

// Raises events to the listeners made on it, in the raising thread, oldest listener first.
class BASEKIT_API CEventSource {
public:
    CEventSource();
    ~CEventSource();
    CEventSource(CEventSource const&) = delete;
    CEventSource& operator=(CEventSource const&) = delete;

    // Delivers through each listener's three-argument Work.
    void Raise(unsigned int first, unsigned int second, boost::any const& data) const;
    // Delivers through each listener's two-argument Work.
    void Raise(unsigned int first, boost::any const& data) const;

private:
    friend class CListener;
    struct tImpl;
    tImpl* m_pImpl;
};

// A receiver of events. Its holder stands for it: the holder outlives the listener and
// forgets it when the listener is destroyed, so a late delivery through the holder is dropped.
class BASEKIT_API CListener {
public:
    enum EPriority { ePriNone = 0, ePriNormal = 1 };

    CListener();
    explicit CListener(CEventSource const& source);
    virtual ~CListener();
    CListener(CListener const&) = delete;
    CListener& operator=(CListener const&) = delete;

    // Two-word events; this base ignores them.
    virtual void Work(unsigned int first, boost::any const& data);
    // Three-word events; this base ignores them.
    virtual void Work(unsigned int first, unsigned int second, boost::any const& data);

    boost::shared_ptr<tHolder> GetHolder() const;

private:
    boost::shared_ptr<tHolder> m_spHolder;
};

// Hands an event to the holder's listener in the calling thread; ePriNone when the listener
// no longer exists. A listener being handed an event is not destroyed until Work returns.
BASEKIT_API CListener::EPriority ListenerCall(boost::shared_ptr<tHolder> const& holder,
                                              unsigned int first, unsigned int second,
                                              boost::any const& data);

// A listener that handles events by a table from the first word to a handler function.
class BASEKIT_API CMapListener : public CListener {
public:
    typedef std::function<void(unsigned int, unsigned int, boost::any const&)> tHandler;

    CMapListener();
    explicit CMapListener(CEventSource const& source);
    ~CMapListener() override;

    using CListener::Work;
    // Calls the handler mapped to the first word, if any, in the calling thread.
    void Work(unsigned int first, unsigned int second, boost::any const& data) override;

protected:
    void MapHandler(unsigned int first, tHandler handler);

private:
    std::map<unsigned int, tHandler> m_Handlers;
};

} // namespace utl
