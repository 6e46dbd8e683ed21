// Calling hook chains: newest hook first, passing on down to the default, and the chain
// call carried into the user-input thread.
#include "tuHooks.h"

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

unsigned long WINAPI hookCallFirst(unsigned id, void* parameter) {
    tu::hooks::tTarget target;
    unsigned long first;
    {
        RegistryGuard guard(tu::hooks::RegistryLock());
        first = tu::hooks::FirstTarget(id, target);
    }
    return tu::hooks::CallTarget(target, parameter, first);
}

unsigned long WINAPI hookCallNext(unsigned long hook, void* parameter) {
    tu::hooks::tTarget target;
    unsigned long next = 0;
    {
        RegistryGuard guard(tu::hooks::RegistryLock());
        HOOKENTRY entry;
        if (tu::hooks::IsLiveHook(hook) && tu::hooks::ReadEntry(hook, entry)) {
            next = entry.hNext;
            target = next ? tu::hooks::HookOfEntry(next)
                          : tu::hooks::tTarget{entry.pfnDefault, entry.nDefaultFlags, 0};
        }
    }
    return tu::hooks::CallTarget(target, parameter, tu::hooks::MakeHookHandle(hook >> 16, next));
}

unsigned long WINAPI hookCallThisOne(unsigned long hook, void* parameter) {
    tu::hooks::tTarget target;
    {
        RegistryGuard guard(tu::hooks::RegistryLock());
        if (tu::hooks::IsLiveHook(hook))
            target = tu::hooks::HookOfEntry(hook);
    }
    return tu::hooks::CallTarget(target, parameter, hook);
}

unsigned long WINAPI hookCallFirstInUI(unsigned id, void* parameter) {
    if (app::IsUserInputThread())
        return hookCallFirst(id, parameter);
    boost::shared_ptr<CHookCallFirstInUI> call;
    try {
        call = boost::make_shared<CHookCallFirstInUI>(id, parameter);
    } catch (std::bad_alloc const&) {
        return 0;
    }
    utl::CallInUIThread(call, INFINITE);
    return call->m_nResult;
}
