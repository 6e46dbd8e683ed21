// Out of memory in the hook registry: this program's own copy of the registry and containers,
// with every allocation of a scripted sequence failed in turn, each showing the box once.
#include "tuHooks.h"

#include "AllocSeam.h"
#include "MessageBoxSpy.h"
#include "internal/LoadSteps.h"

#include <gtest/gtest.h>

namespace {

// Each hook passes the call on and adds one: a chain call counts the hooks it reached.
unsigned long CALLBACK CountOn(void* parameter, unsigned long hook, long) {
    return hookCallNext(hook, parameter) + 1;
}

// Ids enough to grow the id table (47 records a step), hooks enough to grow the entry heap.
const unsigned kIds = 50, kHooksPerId = 2;

unsigned IdAt(unsigned index) {
    return 13001 + index;
}

// Where the script stopped: the id it was working on, and whether its record was refused.
struct Stop {
    bool completed = true;
    unsigned index = 0;
    bool atRecord = false;
    unsigned hooksOfLastId = 0;
};

Stop RunScript() {
    for (unsigned i = 0; i < kIds; ++i) {
        if (!hookSetDefault(IdAt(i), nullptr, HOOKF_PARAMONLY))
            return {false, i, true, 0};
        for (unsigned h = 0; h < kHooksPerId; ++h)
            if (!hookSet(IdAt(i), reinterpret_cast<void*>(&CountOn), 0, 0))
                return {false, i, false, h};
    }
    return {};
}

bool HasRecord(unsigned id) {
    unsigned long flags = 0xdead;
    hookGetFirst(id, nullptr, &flags, nullptr);
    return flags != 0xdead;
}

TEST(HookAllocFailure, EveryFailedAllocationShowsTheBoxAndLeavesNothingHalfMade) {
    hookInitRegistry();
    allocseam::Reset(0); // the registry's own first allocation is not part of the script
    ASSERT_TRUE(RunScript().completed);
    unsigned allocations = allocseam::Calls();
    ASSERT_GE(allocations, 4u) << "the script must grow the id table and the entry heap";

    for (unsigned failAt = 1; failAt <= allocations; ++failAt) {
        SCOPED_TRACE(failAt);
        hookTermRegistry();
        hookInitRegistry();
        allocseam::Reset(failAt);
        tutest::MessageBoxSpy spy;
        Stop stop = RunScript();
        ASSERT_FALSE(stop.completed);
        ASSERT_TRUE(allocseam::Failed());
        ASSERT_EQ(spy.Boxes().size(), 1u);
        EXPECT_FALSE(spy.Boxes()[0].text.empty());

        for (unsigned i = 0; i < stop.index; ++i)
            ASSERT_EQ(hookCallFirst(IdAt(i), nullptr), kHooksPerId) << "id " << IdAt(i);
        EXPECT_EQ(HasRecord(IdAt(stop.index)), !stop.atRecord);
        EXPECT_EQ(hookCallFirst(IdAt(stop.index), nullptr), stop.hooksOfLastId);
        EXPECT_FALSE(HasRecord(IdAt(stop.index + 1)));

        allocseam::Reset(0);
        EXPECT_NE(hookSet(IdAt(stop.index), reinterpret_cast<void*>(&CountOn), 0, 0), 0ul)
            << "the registry stores again once memory is back";
        EXPECT_EQ(hookCallFirst(IdAt(stop.index), nullptr), stop.hooksOfLastId + 1);
    }
    hookTermRegistry();
    EXPECT_EQ(allocseam::Live(), 0) << "blocks left behind";
}

} // namespace
