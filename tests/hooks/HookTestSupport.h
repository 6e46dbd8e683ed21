// Hooks that record their calls, for the hook tests.
#pragma once

#include "tuHooks.h"

#include <string>
#include <vector>

namespace hooktest {

// One call as a hook or default saw it.
struct Call {
    std::string who;
    unsigned long handle;
    long data;
    bool operator==(const Call& other) const {
        return who == other.who && handle == other.handle && data == other.data;
    }
};

// The parameter that the recording functions below expect: they log into it.
struct Log {
    std::vector<Call> calls;
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const Call& call : calls)
            names.push_back(call.who);
        return names;
    }
};

// Full-form hooks named A, B, C, D that log and pass the call on, adding 1 to its result.
template <char Name> unsigned long CALLBACK PassOn(void* parameter, unsigned long hook, long data) {
    static_cast<Log*>(parameter)->calls.push_back({std::string(1, Name), hook, data});
    return hookCallNext(hook, parameter) + 1;
}

// A full-form default that logs and answers 100.
inline unsigned long CALLBACK Default(void* parameter, unsigned long hook, long data) {
    static_cast<Log*>(parameter)->calls.push_back({"default", hook, data});
    return 100;
}

// A parameter-only function that logs and answers 7.
inline unsigned long CALLBACK ParamOnly(void* parameter) {
    static_cast<Log*>(parameter)->calls.push_back({"paramonly", 0, 0});
    return 7;
}

template <class F> void* AsHook(F function) {
    return reinterpret_cast<void*>(function);
}

// Frees an id's record and hooks at the end of a test.
class IdScope {
public:
    explicit IdScope(unsigned id) : m_id(id) {}
    ~IdScope() {
        while (unsigned long first = hookGetFirst(m_id, nullptr, nullptr, nullptr))
            if (!hookRemove(first))
                break;
        hookExit(m_id);
    }

private:
    unsigned m_id;
};

} // namespace hooktest
