// The BaseKit.dll stand-in where the library relies on it beyond its own tests: per-thread errors,
// owning singleton slots, dead listeners leaving their source, self-removal during dispatch.
#include <windows.h>

#include "BaseKit/App.h"
#include "BaseKit/Listener.h"
#include "BaseKit/MsgCenter.h"
#include "BaseKit/SingleCont.h"
#include "BaseKit/TestDrive.h"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>

#include <memory>
#include <thread>
#include <vector>

namespace {

// Fields and clearing are checked by the UI-call tests through the library's reports.
TEST(LastError, IsRecordedPerThread) {
    bk::ClearLastErrorRecord();
    const unsigned long before = bk::GetErrorCount();
    app::CDbgErrInfo where("utl::Some::Function", ".\\Source\\Here", 151);
    app::SetLastError(app::CError(where, app::eErrGroupWin32, 258, true), nullptr);
    bk::tErrorRecord record;
    EXPECT_TRUE(bk::GetLastErrorRecord(record));
    EXPECT_EQ(bk::GetErrorCount(), before + 1);
    bool otherHasOne = true;
    std::thread([&] { otherHasOne = bk::GetLastErrorRecord(record); }).join();
    EXPECT_FALSE(otherHasOne);
}

// The library erases its executor's slot at unload and relies on the holder deleting it.
TEST(SingletonContainer, SlotsOwnTheirHolders) {
    auto& container = utl::SingleCont::Get();
    using Token = std::shared_ptr<int>;
    const Token token = std::make_shared<int>();
    utl::CTypeInfo key(typeid(Token));
    container[key].m_pHolder =
        new utl::SingleCont::CSinglePtr::TSinglePtrHelp<Token>(new Token(token));
    container.erase(key);
    EXPECT_EQ(token.use_count(), 1);
}

// Records the data of each three-word event.
class RecordingListener : public utl::CListener {
public:
    using utl::CListener::CListener;
    using utl::CListener::Work;
    std::vector<int> got;

    void Work(unsigned, unsigned, boost::any const& data) override {
        got.push_back(boost::any_cast<int>(data));
    }
};

// Several listeners and dead listeners' holders are covered by the UI-listener tests.
TEST(Listeners, ADeadListenerLeavesItsSource) {
    utl::CEventSource source;
    RecordingListener kept(source);
    { RecordingListener shortLived(source); }
    source.Raise(6, 7, boost::any(8));
    EXPECT_EQ(kept.got, std::vector<int>{8});
}

// Counts its messages and removes its own registrations while being called.
class SelfRemovingHandler : public utl::CEventHandler {
public:
    int got = 0;
    boost::weak_ptr<utl::CEventHandler> self;

    void OnMessage(utl::CMsgCenter const& center, int, int, boost::any const&) {
        ++got;
        const_cast<utl::CMsgCenter&>(center).RemoveListener(self);
    }
};

// Other dispatch and removal rules are checked through the library's UI registrations.
TEST(MsgCenter, AHandlerMayRemoveItselfWhileBeingCalled) {
    utl::CMsgCenter center;
    auto handler = boost::make_shared<SelfRemovingHandler>();
    handler->self = handler;
    center.AddListener(1, handler,
                       static_cast<utl::CMsgCenter::tHandlerFn>(&SelfRemovingHandler::OnMessage));
    center.Dispatch(1, 0, boost::any(2));
    center.Dispatch(1, 0, boost::any(3));
    EXPECT_EQ(handler->got, 1);
    EXPECT_EQ(center.GetListenerCount(), 0u);
}

} // namespace
