// Host for the version tests under the Windows version Wine gives its name: prints the version,
// the library's answers, and its own file version read twice with the library's read count.
#include "tuFileSys.h"

#include <cstdio>

namespace {
using SizeFn = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
SizeFn g_realSize;
int g_reads;

DWORD WINAPI CountedSize(LPCWSTR file, LPDWORD handle) {
    ++g_reads;
    return g_realSize(file, handle);
}

// Routes the library's imported GetFileVersionInfoSizeW through the counter.
void CountLibraryVersionReads() {
    auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleW(L"tarnUtil.dll"));
    g_realSize = reinterpret_cast<SizeFn>(reinterpret_cast<void (*)()>(
        ::GetProcAddress(::GetModuleHandleW(L"version.dll"), "GetFileVersionInfoSizeW")));
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(
        base + nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress);
    for (; entry->Name; ++entry)
        for (auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
             slot->u1.Function; ++slot)
            if (slot->u1.Function == reinterpret_cast<ULONG_PTR>(g_realSize)) {
                DWORD old = 0;
                ::VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
                slot->u1.Function = reinterpret_cast<ULONG_PTR>(&CountedSize);
            }
}

} // namespace

int wmain() {
    OSVERSIONINFOW seen = {sizeof seen, 0, 0, 0, 0, {}};
    ::GetVersionExW(&seen);
    std::printf("os=%lu.%lu nt=%d 2k=%d%d xp=%d%d vista=%d%d", seen.dwMajorVersion,
                seen.dwMinorVersion, osIsNT(), osIsWin2000(FALSE), osIsWin2000(TRUE),
                osIsWinXP(FALSE), osIsWinXP(TRUE), osIsWinVista(FALSE), osIsWinVista(TRUE));
    CountLibraryVersionReads();
    for (int call = 0; call < 2; ++call) {
        DWORD high = 0, low = 0;
        BOOL read = osGetVersionInfo(nullptr, &high, &low);
        std::printf(" exe=%d:%lx.%lx reads=%d", read, high, low, g_reads);
    }
    std::printf("\n");
    return 0;
}
