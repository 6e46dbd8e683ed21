// Program environment: the user-input thread as the library recorded it, the executable's
// name and fixed strings, and the server flag.
#include "tuSettings.h"

#include "internal/Library.h"

#include <iterator>

namespace {

// The form of the executable's own string table.
using ExeGetStringFn = LPCWSTR(WINAPI*)(unsigned int);

// The program's answers, computed on first use at start-up; unlocked.
struct SessionState {
    ExeGetStringFn exeGetString = nullptr;
    int isServer = -1; // -1 until ssnSetIsServer
};
SessionState g_session;

// The library's own answers for programs that do not supply exeGetString. The licence text is
// held scrambled (each letter turned 13 places) and handed out as held.
const wchar_t* const kFallbackStrings[] = {
    L"Korvo 1.3", L"Korvo", L"Xbeib Yvprafr 1.3 - Pnyqre Jbexf", L"Korvo.ini", L"",
};

ExeGetStringFn FindExeGetString() {
    if (!g_session.exeGetString) {
        FARPROC found = ::GetProcAddress(::GetModuleHandleW(nullptr), "exeGetString");
        g_session.exeGetString = reinterpret_cast<ExeGetStringFn>(reinterpret_cast<void*>(found));
    }
    return g_session.exeGetString;
}

} // namespace

DWORD WINAPI ssnGetUserInputThreadID() {
    return tu::frame::LoaderThreadId();
}

LPCWSTR WINAPI ssnGetExeName() {
    return tu::frame::ExeName();
}

LPCWSTR WINAPI ssnGetExeString(unsigned int id) {
    if (ExeGetStringFn exeGetString = FindExeGetString())
        return exeGetString(id);
    return id < std::size(kFallbackStrings) ? kFallbackStrings[id] : nullptr;
}

void WINAPI ssnSetIsServer(int isServer) {
    g_session.isServer = isServer ? 1 : 0;
}

bool WINAPI ssnIsServer() {
    return g_session.isServer == 1;
}
