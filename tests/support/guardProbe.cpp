// Does one deliberate heap fault for the guard-page self-test and exits with the access
// violation's code when it faulted at exactly the address expected, 1 when it did not fault
// and 2 when it faulted elsewhere. The library's heap blocks are reached through the heap
// manager; this program's own operator new is the checked build's too.
#include "tuContainers.h"

#include <windows.h>

#include <cwchar>

namespace {

volatile char* g_expected = nullptr;

LONG WINAPI OnFault(EXCEPTION_POINTERS* fault) {
    const EXCEPTION_RECORD& record = *fault->ExceptionRecord;
    const bool there = record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION &&
                       record.NumberParameters >= 2 &&
                       record.ExceptionInformation[1] == reinterpret_cast<ULONG_PTR>(g_expected);
    ::TerminateProcess(::GetCurrentProcess(), there ? record.ExceptionCode : 2);
    return EXCEPTION_EXECUTE_HANDLER;
}

// A heap of the library whose block holds exactly 100 bytes.
void FillHeap(tagHEAPMG& heap) {
    HeapMgInit(&heap, 0, 100, 50);
    UINT handle = 0;
    HeapMgInsertItem("0123456789", 10, &heap, &handle);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    ::SetUnhandledExceptionFilter(&OnFault);
    const wchar_t* fault = argc > 1 ? argv[1] : L"";
    tagHEAPMG heap;
    FillHeap(heap);
    auto* end = static_cast<volatile char*>(HeapMgPointer(&heap, heap.nHeapSize));
    if (!std::wcscmp(fault, L"inBounds")) {
        end[-1] = 1;
    } else if (!std::wcscmp(fault, L"libraryOverrun")) {
        g_expected = end;
        end[0] = 1;
    } else if (!std::wcscmp(fault, L"libraryUseAfterFree")) {
        g_expected = static_cast<volatile char*>(HeapMgPointer(&heap, 2));
        HeapMgDelete(&heap);
        (void)*g_expected;
    } else if (!std::wcscmp(fault, L"newOverrun")) {
        volatile size_t length = 10; // unknown to the compiler, which would see the overrun
        auto* block = new char[length];
        g_expected = block + length;
        *g_expected = 1;
    } else if (!std::wcscmp(fault, L"newUseAfterFree")) {
        auto* block = new char[10];
        g_expected = block;
        delete[] block;
        *g_expected = 1;
    }
    return 0;
}
