// Host for load-time tests: loads tarnUtil.dll from its main thread or from a worker thread
// and prints "loader=<id> loading=<id> module=<path>".
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
    bool fromWorker = argc > 1 && wcscmp(argv[1], L"worker") == 0;
    if (fromWorker) {
        HANDLE worker = ::CreateThread(nullptr, 0, &LoadLibraryHere, nullptr, 0, nullptr);
        ::WaitForSingleObject(worker, INFINITE);
        ::CloseHandle(worker);
    } else {
        LoadLibraryHere(nullptr);
    }
    if (!g_library) {
        std::printf("load failed %lu\n", ::GetLastError());
        return 2;
    }
    // The library's plain functions have C++ linkage; this is the toolchain's name for
    // DWORD WINAPI ssnGetUserInputThreadID().
    auto loaderThread = reinterpret_cast<DWORD(WINAPI*)()>(
        reinterpret_cast<void (*)()>(::GetProcAddress(g_library, "_Z23ssnGetUserInputThreadIDv")));
    if (!loaderThread) {
        std::printf("export missing\n");
        return 3;
    }
    wchar_t path[MAX_PATH] = L"";
    ::GetModuleFileNameW(g_library, path, MAX_PATH);
    std::printf("loader=%lu loading=%lu module=%ls\n", loaderThread(), g_loadingThread, path);
    ::FreeLibrary(g_library);
    return 0;
}
