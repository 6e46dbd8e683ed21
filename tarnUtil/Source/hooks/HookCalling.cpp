// Calling hook chains: newest hook first, passing on down to the default, and the chain
// call carried into the user-input thread.
#include "tuHooks.h"

#include "common/Boundary.h"
#include "hooks/HookStore.h"
#include "tuUICall.h"

#include <BaseKit/App.h>

#include <boost/make_shared.hpp>

#include <new>

namespace {

typedef tu::LockGuard RegistryGuard;

// Carries one chain call into the user-input thread; the result is read after it ran.
class CHookCallFirstInUI : public utl::CUICall {
public:
    CHookCallFirstInUI(unsigned id, void* parameter) : m_nID(id), m_pParam(parameter) {}
    void Execute() override { m_nResult = hookCallFirst(m_nID, m_pParam); }

    unsigned m_nID;
    void* m_pParam;
    unsigned long m_nResult = 0;
};

} // namespace

namespace tu::hooks {

unsigned long CallTarget(const tTarget& target, void* parameter, unsigned long handle) {
    if (!target.function)
        return 0;
    if (target.flags & HOOKF_PARAMONLY)
        return reinterpret_cast<HOOKFUNC_PARAMONLY>(target.function)(parameter);
    return reinterpret_cast<HOOKFUNC>(target.function)(parameter, handle, target.data);
}

} // namespace tu::hooks

namespace {

// Counts the thread out of a chain call however the called function leaves it.
struct tWalkExit {
    tu::hooks::tWalker* walker;
    ~tWalkExit() { tu::hooks::LeaveWalk(walker); }
};

// One step of a chain call. Under the registry lock: counts the thread in (unless a call of its
// own covers the step) and lets `find` name the function to call and the handle it gets; then
// calls it without the lock.
template <class Find> unsigned long CallStep(void* parameter, Find find) {
    tu::hooks::tTarget target;
    unsigned long handle;
    tu::hooks::tWalker* walker;
    {
        CRITICAL_SECTION& lock = tu::hooks::RegistryLock();
        RegistryGuard guard(lock);
        walker = tu::hooks::EnterWalk(lock);
        handle = find(target);
    }
    if (!walker)
        return tu::hooks::CallTarget(target, parameter, handle);
    tWalkExit exit{walker};
    return tu::hooks::CallTarget(target, parameter, handle);
}

} // namespace

unsigned long WINAPI hookCallFirst(unsigned id, void* parameter) {
    return CallStep(
        parameter, [id](tu::hooks::tTarget& target) { return tu::hooks::FirstTarget(id, target); });
}

// The id in the handle is not examined: it is only handed on with the next entry.
unsigned long WINAPI hookCallNext(unsigned long hook, void* parameter) {
    return CallStep(parameter, [hook](tu::hooks::tTarget& target) {
        unsigned long next;
        target = tu::hooks::NextTarget(hook, next);
        return tu::hooks::MakeHookHandle(hook >> 16, next);
    });
}

unsigned long WINAPI hookCallThisOne(unsigned long hook, void* parameter) {
    return CallStep(parameter, [hook](tu::hooks::tTarget& target) {
        if (tu::hooks::IsManagedId(hook >> 16) && tu::hooks::IsLiveEntry(hook))
            target = tu::hooks::HookOfEntry(hook);
        return hook;
    });
}

unsigned long WINAPI hookCallFirstInUI(unsigned id, void* parameter) {
    if (app::IsUserInputThread())
        return hookCallFirst(id, parameter);
    return tu::Guarded(0ul, [&] {
        auto call = boost::make_shared<CHookCallFirstInUI>(id, parameter);
        utl::CallInUIThread(call, INFINITE);
        return call->m_nResult;
    });
}
