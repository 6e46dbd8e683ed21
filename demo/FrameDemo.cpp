// Demo of the library frame: what the library recorded at load, and global memory.
#include "Demo.h"

#include "tuFrame.h"
#include "tuSettings.h"

#include <cstring>
#include <iterator>

void ShowFrame() {
    DemoSection("Library frame");
    wchar_t path[MAX_PATH] = L"";
    ::GetModuleFileNameW(::GetModuleHandleW(L"tarnUtil.dll"), path, std::size(path));
    std::printf("library module:        %ls\n", path);
    std::printf("loader thread (UI):    %lu (this thread: %lu)\n", ssnGetUserInputThreadID(),
                ::GetCurrentThreadId());

    auto* text = static_cast<char*>(memGlobalAllocPtr(GMEM_MOVEABLE, 6));
    std::strcpy(text, "hello");
    auto* grown = static_cast<char*>(memGlobalReAllocPtr(text, 4096, GMEM_MOVEABLE));
    std::printf("global memory:         \"%s\" kept through a resize to %lu bytes\n", grown,
                static_cast<unsigned long>(::GlobalSize(::GlobalHandle(grown))));
    std::printf("freed:                 %s\n", memGlobalFreePtr(grown) ? "no" : "yes");
}
