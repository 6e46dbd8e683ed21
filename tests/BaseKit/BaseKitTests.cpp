// The BaseKit.dll stand-in, where the library relies on it in ways its own tests do not reach:
// the UI thread a test chooses, per-thread last errors, singleton slots, listener holders that
// outlive their listeners, and message-center registrations removed during dispatch.
#include <windows.h>

#include "BaseKit/App.h"
#include "BaseKit/Listener.h"
#include "BaseKit/MsgCenter.h"
#include "BaseKit/SingleCont.h"
#include "BaseKit/TestDrive.h"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>

#include <thread>
#include <tuple>
#include <vector>

namespace {

TEST(UserInputThread, IsTheLoaderUntilATestChoosesAnother) {
    EXPECT_TRUE(app::IsUserInputThread());
    bool inWorker = false;
    DWORD worker = 0;
    std::thread([&] {
        bk::SetUserInputThread(worker = ::GetCurrentThreadId());
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
    EXPECT_EQ(std::tie(record.function, record.file, record.line, record.group, record.code),
              std::make_tuple(std::string("utl::Some::Function"), std::string(".\\Source\\Here"),
                              151u, 1, 258u));
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

    typedef utl::SingleCont::CSinglePtr::TSinglePtrHelp<Counted> Holder;
    container[key].m_pHolder = new Holder(new Counted);
    EXPECT_EQ(Counted::alive, 1);
    EXPECT_NE(static_cast<Holder*>(container.find(key)->second.m_pHolder)->Get(), nullptr);
    container.erase(key);
    EXPECT_EQ(Counted::alive, 0);
}

class RecordingListener : public utl::CListener {
public:
    using utl::CListener::CListener;
    std::vector<int> three, two; // the data of each call

    void Work(unsigned, unsigned second, boost::any const& data) override {
        three.push_back(second * 100 + boost::any_cast<int>(data));
    }
    void Work(unsigned, boost::any const& data) override {
        two.push_back(boost::any_cast<int>(data));
    }
};

TEST(Listeners, SourcesAndHolders) {
    utl::CEventSource source;
    RecordingListener a(source), b(source);
    source.Raise(1, 2, boost::any(3));
    source.Raise(4, boost::any(5));
    { RecordingListener shortLived(source); }
    source.Raise(6, 7, boost::any(8)); // the dead listener is skipped
    for (RecordingListener* listener : {&a, &b}) {
        EXPECT_EQ(listener->three, (std::vector<int>{203, 708}));
        EXPECT_EQ(listener->two, std::vector<int>{5});
    }

    // A holder outlives its listener and drops late calls.
    auto* listener = new RecordingListener;
    auto holder = listener->GetHolder();
    EXPECT_EQ(utl::ListenerCall(holder, 1, 2, boost::any(3)), utl::CListener::ePriNormal);
    EXPECT_EQ(listener->three.size(), 1u);
    delete listener;
    EXPECT_EQ(utl::ListenerCall(holder, 1, 2, boost::any(3)), utl::CListener::ePriNone);
    EXPECT_EQ(utl::ListenerCall(nullptr, 1, 2, boost::any(3)), utl::CListener::ePriNone);
}

class Handler : public utl::CEventHandler {
public:
    std::vector<std::tuple<int, int, DWORD>> got; // code, data, thread
    boost::weak_ptr<utl::CEventHandler> removeSelf;

    void OnMessage(utl::CMsgCenter const& center, int code, int, boost::any const& data) {
        got.emplace_back(code, boost::any_cast<int>(data), ::GetCurrentThreadId());
        const_cast<utl::CMsgCenter&>(center).RemoveListener(removeSelf);
    }
};

const auto kOnMessage = static_cast<utl::CMsgCenter::tHandlerFn>(&Handler::OnMessage);

// Dispatch by code and range, in the calling thread, is checked by the UI-call tests through
// the library's registrations.
TEST(MsgCenter, RemovesEveryRegistrationOfTheSameObjectAlsoFromItsOwnCall) {
    utl::CMsgCenter center;
    auto handler = boost::make_shared<Handler>(), other = boost::make_shared<Handler>();
    center.AddListener(1, handler, kOnMessage);
    center.AddListener(2, 3, handler, kOnMessage);
    center.AddListener(1, other, kOnMessage);
    center.RemoveListener(boost::weak_ptr<utl::CEventHandler>(handler));
    EXPECT_EQ(center.GetListenerCount(), 1u);
    center.Dispatch(1, 0, boost::any(1));
    EXPECT_TRUE(handler->got.empty());
    EXPECT_EQ(other->got.size(), 1u);

    // A handler may remove itself while being called.
    other->removeSelf = other;
    center.Dispatch(1, 0, boost::any(2));
    center.Dispatch(1, 0, boost::any(3));
    EXPECT_EQ(other->got.size(), 2u);
    EXPECT_EQ(center.GetListenerCount(), 0u);
}

} // namespace
