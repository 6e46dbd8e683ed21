// The BaseKit.dll stand-in: UI thread, last errors, singletons, listeners and message center.
#include <windows.h>

#include "BaseKit/App.h"
#include "BaseKit/Listener.h"
#include "BaseKit/MsgCenter.h"
#include "BaseKit/SingleCont.h"
#include "BaseKit/TestDrive.h"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>

#include <thread>
#include <vector>

namespace {

TEST(UserInputThread, IsTheLoaderUntilATestChoosesAnother) {
    EXPECT_EQ(app::GetUserInputThreadID(), ::GetCurrentThreadId());
    EXPECT_TRUE(app::IsUserInputThread());
    bool inWorker = true;
    std::thread([&] { inWorker = app::IsUserInputThread(); }).join();
    EXPECT_FALSE(inWorker);

    DWORD worker = 0;
    std::thread([&] {
        bk::SetUserInputThread(::GetCurrentThreadId());
        worker = ::GetCurrentThreadId();
        inWorker = app::IsUserInputThread();
    }).join();
    EXPECT_TRUE(inWorker);
    EXPECT_EQ(app::GetUserInputThreadID(), worker);
    EXPECT_FALSE(app::IsUserInputThread());
    bk::SetUserInputThread(::GetCurrentThreadId());
}

TEST(LastError, IsRecordedPerThread) {
    bk::ClearLastErrorRecord();
    bk::tErrorRecord record;
    EXPECT_FALSE(bk::GetLastErrorRecord(record));
    unsigned long before = bk::GetErrorCount();

    app::CDbgErrInfo where("utl::Some::Function", ".\\Source\\Here", 151);
    app::SetLastError(app::CError(where, app::eErrGroupWin32, 258, true), nullptr);
    ASSERT_TRUE(bk::GetLastErrorRecord(record));
    EXPECT_EQ(record.function, "utl::Some::Function");
    EXPECT_EQ(record.file, ".\\Source\\Here");
    EXPECT_EQ(record.line, 151u);
    EXPECT_EQ(record.group, 1);
    EXPECT_EQ(record.code, 258u);
    EXPECT_TRUE(record.log);
    EXPECT_EQ(bk::GetErrorCount(), before + 1);

    bool otherHasOne = true;
    std::thread([&] {
        bk::tErrorRecord other;
        otherHasOne = bk::GetLastErrorRecord(other);
    }).join();
    EXPECT_FALSE(otherHasOne);
    bk::ClearLastErrorRecord();
    EXPECT_FALSE(bk::GetLastErrorRecord(record));
}

struct Counted {
    static int alive;
    Counted() { ++alive; }
    ~Counted() { --alive; }
};
int Counted::alive = 0;

TEST(SingletonContainer, IsOneMapWhoseSlotsOwnTheirHolders) {
    auto& container = utl::SingleCont::Get();
    EXPECT_EQ(&container, &utl::SingleCont::Get());
    utl::CTypeInfo key(typeid(Counted));
    EXPECT_FALSE(key < utl::CTypeInfo(typeid(Counted)));
    EXPECT_TRUE(key < utl::CTypeInfo(typeid(int)) || utl::CTypeInfo(typeid(int)) < key);

    typedef utl::SingleCont::CSinglePtr::TSinglePtrHelp<Counted> Holder;
    container[key].m_pHolder = new Holder(new Counted);
    EXPECT_EQ(Counted::alive, 1);
    EXPECT_NE(static_cast<Holder*>(container.find(key)->second.m_pHolder)->Get(), nullptr);
    container.erase(key);
    EXPECT_EQ(Counted::alive, 0);
}

struct Delivery {
    unsigned first, second;
    int data;
    DWORD thread;
};

class RecordingListener : public utl::CListener {
public:
    using utl::CListener::CListener;
    std::vector<Delivery> three, two;

    void Work(unsigned first, unsigned second, boost::any const& data) override {
        three.push_back({first, second, boost::any_cast<int>(data), ::GetCurrentThreadId()});
    }
    void Work(unsigned first, boost::any const& data) override {
        two.push_back({first, 0, boost::any_cast<int>(data), ::GetCurrentThreadId()});
    }
};

TEST(Listeners, SourceDeliversThroughBothFormsInTheRaisingThread) {
    utl::CEventSource source;
    RecordingListener a(source), b(source);
    source.Raise(1, 2, boost::any(3));
    source.Raise(4, boost::any(5));
    for (RecordingListener* listener : {&a, &b}) {
        ASSERT_EQ(listener->three.size(), 1u);
        EXPECT_EQ(listener->three[0].second, 2u);
        ASSERT_EQ(listener->two.size(), 1u);
        EXPECT_EQ(listener->two[0].data, 5);
    }
    { RecordingListener shortLived(source); }
    source.Raise(6, 7, boost::any(8)); // the dead listener is skipped
    EXPECT_EQ(a.three.size(), 2u);
}

TEST(Listeners, HolderOutlivesItsListenerAndDropsLateCalls) {
    auto* listener = new RecordingListener;
    auto holder = listener->GetHolder();
    EXPECT_EQ(utl::ListenerCall(holder, 1, 2, boost::any(3)), utl::CListener::ePriNormal);
    EXPECT_EQ(listener->three.size(), 1u);
    delete listener;
    EXPECT_EQ(utl::ListenerCall(holder, 1, 2, boost::any(3)), utl::CListener::ePriNone);
    EXPECT_EQ(utl::ListenerCall(nullptr, 1, 2, boost::any(3)), utl::CListener::ePriNone);
}

class TableListener : public utl::CMapListener {
public:
    std::vector<unsigned> handled;
    TableListener() {
        MapHandler(7, [this](unsigned first, unsigned second, boost::any const&) {
            handled.push_back(first * 100 + second);
        });
    }
};

TEST(Listeners, MapListenerHandlesOnlyMappedWords) {
    TableListener listener;
    utl::ListenerCall(listener.GetHolder(), 7, 1, boost::any());
    utl::ListenerCall(listener.GetHolder(), 8, 1, boost::any());
    EXPECT_EQ(listener.handled, std::vector<unsigned>{701});
}

class Handler : public utl::CEventHandler {
public:
    std::vector<Delivery> got;
    void OnMessage(utl::CMsgCenter const&, int code, int word, boost::any const& data) {
        got.push_back({static_cast<unsigned>(code), static_cast<unsigned>(word),
                       boost::any_cast<int>(data), ::GetCurrentThreadId()});
    }
};

utl::CMsgCenter::tHandlerFn OnMessageFn() {
    return static_cast<utl::CMsgCenter::tHandlerFn>(&Handler::OnMessage);
}

TEST(MsgCenter, DispatchesByCodeToLiveHandlersInTheCallingThread) {
    utl::CMsgCenter center;
    auto one = boost::make_shared<Handler>();
    auto two = boost::make_shared<Handler>();
    center.AddListener(10, one, OnMessageFn());
    center.AddListener(20, 30, two, OnMessageFn());

    center.Dispatch(10, 1, boost::any(11));
    center.Dispatch(30, 2, boost::any(12));
    center.Dispatch(40, 3, boost::any(13));
    DWORD worker = 0;
    std::thread([&] {
        worker = ::GetCurrentThreadId();
        center.Dispatch(20, 4, boost::any(14));
    }).join();

    ASSERT_EQ(one->got.size(), 1u);
    EXPECT_EQ(one->got[0].data, 11);
    ASSERT_EQ(two->got.size(), 2u);
    EXPECT_EQ(two->got[0].first, 30u);
    EXPECT_EQ(two->got[1].thread, worker);

    two.reset(); // a dead handler's registration stays but is not called
    center.Dispatch(20, 5, boost::any(15));
    EXPECT_EQ(center.GetListenerCount(), 2u);
}

TEST(MsgCenter, RemovesEveryRegistrationOfTheSameObject) {
    utl::CMsgCenter center;
    auto handler = boost::make_shared<Handler>();
    auto other = boost::make_shared<Handler>();
    center.AddListener(1, handler, OnMessageFn());
    center.AddListener(2, 3, handler, OnMessageFn());
    center.AddListener(1, other, OnMessageFn());
    boost::weak_ptr<utl::CEventHandler> sameOwner = handler;
    center.RemoveListener(sameOwner);
    EXPECT_EQ(center.GetListenerCount(), 1u);
    center.Dispatch(1, 0, boost::any(1));
    EXPECT_TRUE(handler->got.empty());
    EXPECT_EQ(other->got.size(), 1u);
}

class SelfRemovingHandler : public utl::CEventHandler {
public:
    boost::weak_ptr<utl::CEventHandler> self;
    int calls = 0;
    void OnMessage(utl::CMsgCenter const& center, int, int, boost::any const&) {
        ++calls;
        const_cast<utl::CMsgCenter&>(center).RemoveListener(self);
    }
};

TEST(MsgCenter, HandlerMayRemoveItselfWhileBeingCalled) {
    utl::CMsgCenter center;
    auto handler = boost::make_shared<SelfRemovingHandler>();
    handler->self = handler;
    center.AddListener(1, handler,
                       static_cast<utl::CMsgCenter::tHandlerFn>(&SelfRemovingHandler::OnMessage));
    center.Dispatch(1, 0, boost::any());
    center.Dispatch(1, 0, boost::any());
    EXPECT_EQ(handler->calls, 1);
    EXPECT_EQ(center.GetListenerCount(), 0u);
}

} // namespace
