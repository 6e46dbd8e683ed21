// UI listeners and UI listener registrations: events and messages delivered in any thread are
// handled in the UI thread with the same words and an equal copy of the data.
#include "UICallTestSupport.h"

#include "TestSupport.h"

#include <BaseKit/TestDrive.h>

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>

#include <string>

namespace {

using uitest::RunInWorker;
using uitest::Worker;

const unsigned long kNoLimit = INFINITE;

// One handled event or message, as the handler saw it.
struct Delivery {
    const void* center;
    int first;
    int second;
    std::string data;
    DWORD thread;
    bool operator==(Delivery const& other) const {
        return center == other.center && first == other.first && second == other.second &&
               data == other.data && thread == other.thread;
    }
};

void PrintTo(Delivery const& d, std::ostream* out) {
    *out << "{" << d.center << ", " << d.first << ", " << d.second << ", \"" << d.data << "\", "
         << d.thread << "}";
}

class DeliveryLog {
public:
    void Add(Delivery const& delivery) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_deliveries.push_back(delivery);
    }
    std::vector<Delivery> All() const {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_deliveries;
    }
    size_t Count() const { return All().size(); }

private:
    mutable std::mutex m_lock;
    std::vector<Delivery> m_deliveries;
};

std::string Text(boost::any const& data) {
    const std::string* text = boost::any_cast<std::string>(&data);
    return text ? *text : "<not text>";
}

const DWORD kMainThread = ::GetCurrentThreadId();

class RecordingListener : public utl::CUIListener {
public:
    RecordingListener(utl::CEventSource const& source, DeliveryLog& log, unsigned long timeout)
        : utl::CUIListener(source, timeout), m_log(log) {}
    RecordingListener(utl::CEventSource const& source, DeliveryLog& log)
        : utl::CUIListener(source), m_log(log) {}

    void Work(unsigned int first, boost::any const& data) override {
        m_log.Add({nullptr, static_cast<int>(first), -1, Text(data), ::GetCurrentThreadId()});
    }

protected:
    void WorkUI(unsigned int first, unsigned int second, boost::any const& data) override {
        m_log.Add({nullptr, static_cast<int>(first), static_cast<int>(second), Text(data),
                   ::GetCurrentThreadId()});
    }

private:
    DeliveryLog& m_log;
};

class RecordingMapListener : public utl::CUIMapListener {
public:
    RecordingMapListener(utl::CEventSource const& source, DeliveryLog& log, unsigned long timeout)
        : utl::CUIMapListener(source, timeout) {
        MapHandler(5, [&log](unsigned int first, unsigned int second, boost::any const& data) {
            log.Add({nullptr, static_cast<int>(first), static_cast<int>(second), Text(data),
                     ::GetCurrentThreadId()});
        });
    }
};

TEST(UIListener, DefaultListenerForwardsWithoutWaiting) {
    utl::CEventSource source;
    DeliveryLog log;
    RecordingListener listener(source, log);
    size_t handledAtReturn = 1;
    RunInWorker([&] {
        source.Raise(3, 4, boost::any(std::string("payload")));
        handledAtReturn = log.Count();
    });
    EXPECT_EQ(handledAtReturn, 0u);
    ASSERT_TRUE(tutest::PumpMessagesUntil([&] { return log.Count() == 1; }));
    EXPECT_EQ(log.All()[0], (Delivery{nullptr, 3, 4, "payload", kMainThread}));
}

TEST(UIListener, ListenerWithoutLimitReturnsAfterTheUIThreadHandledTheEvent) {
    utl::CEventSource source;
    DeliveryLog log;
    RecordingListener listener(source, log, kNoLimit);
    size_t handledAtReturn = 0;
    Worker worker([&] {
        source.Raise(1, 2, boost::any(std::string("waited")));
        handledAtReturn = log.Count();
    });
    ASSERT_TRUE(tutest::PumpMessagesUntil([&] { return worker.Done(); }));
    EXPECT_EQ(handledAtReturn, 1u);
    EXPECT_EQ(log.All()[0], (Delivery{nullptr, 1, 2, "waited", kMainThread}));
}

TEST(UIListener, EventsInTheUIThreadAreHandledAtOnceAndTwoWordEventsStayWhereRaised) {
    utl::CEventSource source;
    DeliveryLog log;
    RecordingListener listener(source, log);
    source.Raise(8, 9, boost::any(std::string("here")));
    ASSERT_EQ(log.Count(), 1u);
    EXPECT_EQ(log.All()[0], (Delivery{nullptr, 8, 9, "here", kMainThread}));

    DWORD worker = 0;
    RunInWorker([&] {
        worker = ::GetCurrentThreadId();
        source.Raise(6, boost::any(std::string("two words")));
    });
    ASSERT_EQ(log.Count(), 2u);
    EXPECT_EQ(log.All()[1], (Delivery{nullptr, 6, -1, "two words", worker}));
}

TEST(UIListener, MapListenerHandlesForwardedEventsItsOwnWay) {
    utl::CEventSource source;
    DeliveryLog log;
    RecordingMapListener listener(source, log, kNoLimit);
    Worker worker([&] {
        source.Raise(6, 1, boost::any(std::string("unmapped")));
        source.Raise(5, 2, boost::any(std::string("mapped")));
    });
    ASSERT_TRUE(tutest::PumpMessagesUntil([&] { return worker.Done(); }));
    ASSERT_EQ(log.Count(), 1u);
    EXPECT_EQ(log.All()[0], (Delivery{nullptr, 5, 2, "mapped", kMainThread}));
}

TEST(UIListener, EventsForAListenerThatDiedOnTheWayAreDropped) {
    utl::CEventSource source;
    DeliveryLog log;
    auto listener = std::make_unique<RecordingListener>(source, log);
    auto mapListener = std::make_unique<RecordingMapListener>(source, log, 0);
    RunInWorker([&] { source.Raise(5, 1, boost::any(std::string("late"))); });
    listener.reset();
    mapListener.reset();
    unsigned long errors = bk::GetErrorCount();
    uitest::DrainMessages();
    EXPECT_EQ(log.Count(), 0u);
    EXPECT_EQ(bk::GetErrorCount(), errors);
}

// A message-center handler that records each message it is given.
class RecordingHandler : public utl::CEventHandler {
public:
    explicit RecordingHandler(DeliveryLog& log, bool* destroyed = nullptr)
        : m_log(log), m_destroyed(destroyed) {}
    ~RecordingHandler() override {
        if (m_destroyed)
            *m_destroyed = true;
    }
    void OnMessage(utl::CMsgCenter const& center, int code, int word, boost::any const& data) {
        m_log.Add({&center, code, word, Text(data), ::GetCurrentThreadId()});
    }

private:
    DeliveryLog& m_log;
    bool* m_destroyed;
};

const utl::CMsgCenter::tHandlerFn kOnMessage =
    static_cast<utl::CMsgCenter::tHandlerFn>(&RecordingHandler::OnMessage);

TEST(UIListenerRegistration, MessagesFromAnyThreadReachTheHandlerInTheUIThread) {
    utl::CMsgCenter center;
    DeliveryLog log;
    auto handler = boost::make_shared<RecordingHandler>(log);
    utl::AddUIListener(center, 40, handler, kOnMessage);

    center.Dispatch(40, 1, boost::any(std::string("in UI")));
    ASSERT_EQ(log.Count(), 1u);
    EXPECT_EQ(log.All()[0], (Delivery{&center, 40, 1, "in UI", kMainThread}));

    RunInWorker([&] { center.Dispatch(40, 2, boost::any(std::string("from worker"))); });
    EXPECT_EQ(log.Count(), 1u);
    ASSERT_TRUE(tutest::PumpMessagesUntil([&] { return log.Count() == 2; }));
    EXPECT_EQ(log.All()[1], (Delivery{&center, 40, 2, "from worker", kMainThread}));
    utl::RemoveUIListener(center, handler);
}

TEST(UIListenerRegistration, OneRemovalEndsEveryRegistrationOfTheHandler) {
    utl::CMsgCenter center;
    DeliveryLog log;
    auto handler = boost::make_shared<RecordingHandler>(log);
    utl::AddUIListener(center, 1, 2, handler, kOnMessage);
    utl::AddUIListener(center, 1, handler, kOnMessage);
    EXPECT_EQ(center.GetListenerCount(), 2u);

    center.Dispatch(1, 0, boost::any(std::string("twice")));
    center.Dispatch(2, 0, boost::any(std::string("once")));
    EXPECT_EQ(log.Count(), 3u);

    utl::RemoveUIListener(center, boost::weak_ptr<utl::CEventHandler>(handler));
    EXPECT_EQ(center.GetListenerCount(), 0u);
    center.Dispatch(1, 0, boost::any(std::string("gone")));
    RunInWorker([&] { center.Dispatch(2, 0, boost::any(std::string("gone"))); });
    uitest::DrainMessages();
    EXPECT_EQ(log.Count(), 3u);
}

TEST(UIListenerRegistration, RemovalTouchesNoOtherRegistration) {
    utl::CMsgCenter center;
    utl::CMsgCenter otherCenter;
    DeliveryLog log;
    auto kept = boost::make_shared<RecordingHandler>(log);
    auto stranger = boost::make_shared<RecordingHandler>(log);
    utl::AddUIListener(center, 7, kept, kOnMessage);
    // The handler's own direct registration is not a UI registration.
    center.AddListener(8, kept, kOnMessage);
    utl::AddUIListener(otherCenter, 7, kept, kOnMessage);

    utl::RemoveUIListener(center, stranger);
    utl::CMsgCenter emptyCenter;
    utl::RemoveUIListener(emptyCenter, kept);
    center.Dispatch(7, 0, boost::any(std::string("a")));
    EXPECT_EQ(log.Count(), 1u);

    utl::RemoveUIListener(center, kept);
    center.Dispatch(7, 0, boost::any(std::string("b")));
    center.Dispatch(8, 0, boost::any(std::string("direct")));
    otherCenter.Dispatch(7, 0, boost::any(std::string("other center")));
    auto all = log.All();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[1].data, "direct");
    EXPECT_EQ(all[2].data, "other center");
    utl::RemoveUIListener(otherCenter, kept);
}

TEST(UIListenerRegistration, QueuedMessageKeepsItsHandlerAliveAndLaterOnesAreDropped) {
    utl::CMsgCenter center;
    DeliveryLog log;
    bool destroyed = false;
    auto handler = boost::make_shared<RecordingHandler>(log, &destroyed);
    boost::weak_ptr<utl::CEventHandler> weak = handler;
    utl::AddUIListener(center, 3, weak, kOnMessage);

    RunInWorker([&] { center.Dispatch(3, 1, boost::any(std::string("queued"))); });
    handler.reset();
    EXPECT_FALSE(destroyed);
    ASSERT_TRUE(tutest::PumpMessagesUntil([&] { return log.Count() == 1; }));
    uitest::DrainMessages();
    EXPECT_TRUE(destroyed);

    unsigned long errors = bk::GetErrorCount();
    center.Dispatch(3, 2, boost::any(std::string("dropped")));
    RunInWorker([&] { center.Dispatch(3, 3, boost::any(std::string("dropped"))); });
    uitest::DrainMessages();
    EXPECT_EQ(log.Count(), 1u);
    EXPECT_EQ(bk::GetErrorCount(), errors);
    utl::RemoveUIListener(center, weak);
}

TEST(UIListenerRegistration, RegisteringAHandlerThatIsAlreadyGoneSucceeds) {
    utl::CMsgCenter center;
    DeliveryLog log;
    boost::weak_ptr<utl::CEventHandler> gone = boost::make_shared<RecordingHandler>(log);
    ASSERT_TRUE(gone.expired());
    utl::AddUIListener(center, 9, gone, kOnMessage);
    center.Dispatch(9, 0, boost::any(std::string("nobody")));
    RunInWorker([&] { center.Dispatch(9, 0, boost::any(std::string("nobody"))); });
    uitest::DrainMessages();
    EXPECT_EQ(log.Count(), 0u);
    utl::RemoveUIListener(center, gone);
    EXPECT_EQ(center.GetListenerCount(), 0u);
}

} // namespace
