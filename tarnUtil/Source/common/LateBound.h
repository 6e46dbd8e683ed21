// A platform function looked up by name at most once per process and then kept.
#pragma once

#include "common/WindowsSupport.h"

#include <atomic>

namespace tu {

// The address of a function of a loaded system module, or null where the module lacks it or
// the platform is too old for it (applicable answers false on the first call). Written without
// a lock: two first callers only repeat the same lookup and store the same answer.
template <typename Function> class LateBound {
public:
    Function Get(const wchar_t* module, const char* name, bool (*applicable)() = nullptr) {
        if (!m_lookedUp.load(std::memory_order_acquire)) {
            HMODULE handle = !applicable || applicable() ? ::GetModuleHandleW(module) : nullptr;
            FARPROC found = handle ? ::GetProcAddress(handle, name) : nullptr;
            m_function.store(reinterpret_cast<Function>(reinterpret_cast<void*>(found)),
                             std::memory_order_relaxed);
            m_lookedUp.store(true, std::memory_order_release);
        }
        return m_function.load(std::memory_order_relaxed);
    }

private:
    std::atomic<bool> m_lookedUp{false};
    std::atomic<Function> m_function{nullptr};
};

} // namespace tu
