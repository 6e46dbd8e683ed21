// The allocators of the allocation-failure test programs: the C run-time heap, counting every
// call and failing the one chosen by Reset.
#include "AllocSeam.h"

#include <windows.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

unsigned g_calls = 0;
unsigned g_failAt = 0;
long g_live = 0;

bool FailThisCall() {
    return ++g_calls == g_failAt;
}

// ---- The whole process -------------------------------------------------------------------

DWORD g_countedThread = 0;
void* (*g_malloc)(std::size_t);
void* (*g_calloc)(std::size_t, std::size_t);
void* (*g_realloc)(void*, std::size_t);

bool FailHere() {
    return ::GetCurrentThreadId() == g_countedThread && FailThisCall();
}

// Stands in for the runtime's operator new, which its other forms (arrays, nothrow) call.
void* CountedNew(std::size_t bytes) {
    void* block = FailHere() ? nullptr : std::malloc(bytes ? bytes : 1);
    if (!block)
        throw std::bad_alloc();
    return block;
}

void* CountedMalloc(std::size_t bytes) {
    return FailHere() ? nullptr : g_malloc(bytes);
}

void* CountedCalloc(std::size_t count, std::size_t bytes) {
    return FailHere() ? nullptr : g_calloc(count, bytes);
}

void* CountedRealloc(void* block, std::size_t bytes) {
    return FailHere() ? nullptr : g_realloc(block, bytes);
}

// Overwrites the start of a function with "mov rax, target; jmp rax" (x64).
void JumpTo(void* function, void* target) {
    unsigned char jump[12] = {0x48, 0xB8, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xE0};
    std::memcpy(jump + 2, &target, sizeof target);
    DWORD old;
    ::VirtualProtect(function, sizeof jump, PAGE_EXECUTE_READWRITE, &old);
    std::memcpy(function, jump, sizeof jump);
    ::VirtualProtect(function, sizeof jump, old, &old);
    ::FlushInstructionCache(::GetCurrentProcess(), function, sizeof jump);
}

// Points a module's import of `name` from the C runtime at `target`, keeping the function it
// pointed at in `original`.
template <typename Function>
void ReplaceImport(HMODULE module, const char* name, Function target, Function* original) {
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    auto* import = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(
        base + nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress);
    for (; import->Name; ++import) {
        if (_stricmp(reinterpret_cast<char*>(base + import->Name), "msvcrt.dll") != 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal) ||
                std::strcmp(
                    reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name,
                    name) != 0)
                continue;
            *original = reinterpret_cast<Function>(slots->u1.Function);
            DWORD old;
            ::VirtualProtect(&slots->u1.Function, sizeof(void*), PAGE_READWRITE, &old);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(target);
            ::VirtualProtect(&slots->u1.Function, sizeof(void*), old, &old);
        }
    }
}

} // namespace

namespace allocseam {

void Reset(unsigned failAt) {
    g_calls = 0;
    g_failAt = failAt;
}

unsigned Calls() {
    return g_calls;
}

bool Failed() {
    return g_failAt != 0 && g_calls >= g_failAt;
}

long Live() {
    return g_live;
}

void CountProcessAllocations() {
    g_countedThread = ::GetCurrentThreadId();
    JumpTo(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"libstdc++-6.dll"), "_Znwy")),
        reinterpret_cast<void*>(&CountedNew));
    HMODULE library = ::GetModuleHandleW(L"tarnUtil.dll");
    ReplaceImport(library, "malloc", &CountedMalloc, &g_malloc);
    ReplaceImport(library, "calloc", &CountedCalloc, &g_calloc);
    ReplaceImport(library, "realloc", &CountedRealloc, &g_realloc);
}

} // namespace allocseam

namespace tu::containers {

void* CrtMalloc(std::size_t bytes) {
    if (FailThisCall())
        return nullptr;
    void* block = std::malloc(bytes);
    g_live += block != nullptr;
    return block;
}

void* CrtRealloc(void* block, std::size_t bytes) {
    if (FailThisCall())
        return nullptr;
    return std::realloc(block, bytes);
}

void CrtFree(void* block) {
    g_live -= block != nullptr;
    std::free(block);
}

} // namespace tu::containers
