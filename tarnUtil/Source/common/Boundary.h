// The library's one exception boundary. Every exported function that can allocate runs its
// work through Guarded, so that an exception of the library's own making (std::bad_alloc above
// all, and whatever else the C++ runtime, Boost or the class library raise for the library's own
// work: every one derives from std::exception) becomes the function's failure result instead of
// crossing the interface. Code a caller supplies (a hook function, a call object) runs inside
// through CallerCode: what it throws is the caller's own and passes the boundary unchanged.
#pragma once

#include <exception>
#include <utility>

namespace tu {

// Carries an exception thrown by a caller's own code through the boundary.
struct CallerException {
    std::exception_ptr thrown;
};

// Runs `work()` and answers its result, or `failure` when the library's own work throws.
template <typename Result, typename Work> Result Guarded(Result failure, Work&& work) {
    try {
        return std::forward<Work>(work)();
    } catch (const CallerException& caller) {
        std::rethrow_exception(caller.thrown);
    } catch (const std::exception&) {
        return failure;
    }
}

// The same for work without a result: a failure leaves what was done so far.
template <typename Work> void Guarded(Work&& work) {
    Guarded(0, [&] {
        std::forward<Work>(work)();
        return 0;
    });
}

// Runs a caller's own code inside guarded work; whatever it throws passes the boundary.
template <typename Call> decltype(auto) CallerCode(Call&& call) {
    try {
        return std::forward<Call>(call)();
    } catch (...) {
        throw CallerException{std::current_exception()};
    }
}

} // namespace tu
