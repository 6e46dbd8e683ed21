// Host for load-time tests: loads tarnUtil.dll from its main thread or from a worker thread,
// prints the library's path and exits with 1 when the library recorded another loader thread.
#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace {
DWORD g_loadingThread;
HMODULE g_library;

DWORD WINAPI LoadLibraryHere(LPVOID) {
    g_loadingThread = ::GetCurrentThreadId();
    g_library = ::LoadLibraryW(L"tarnUtil.dll");
    return 0;
}
} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc > 1 && wcscmp(argv[1], L"worker") == 0) {
        HANDLE worker = ::CreateThread(nullptr, 0, &LoadLibraryHere, nullptr, 0, nullptr);
        ::WaitForSingleObject(worker, INFINITE);
    } else {
        LoadLibraryHere(nullptr);
    }
    // The toolchain's name for DWORD WINAPI ssnGetUserInputThreadID().
    auto loaderThread = g_library
                            ? reinterpret_cast<DWORD(WINAPI*)()>(reinterpret_cast<void (*)()>(
                                  ::GetProcAddress(g_library, "_Z23ssnGetUserInputThreadIDv")))
                            : nullptr;
    if (!loaderThread)
        return 2;
    wchar_t path[MAX_PATH] = L"";
    ::GetModuleFileNameW(g_library, path, MAX_PATH);
    DWORD loader = loaderThread();
    std::printf("loader=%lu loading=%lu module=%ls\n", loader, g_loadingThread, path);
    ::FreeLibrary(g_library);
    return loader == g_loadingThread ? 0 : 1;
}
