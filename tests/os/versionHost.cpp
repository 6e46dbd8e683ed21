// Host for the version tests, run in a fresh process under the Windows version that Wine gives
// its name. Prints what the system reports, the library's answers, and the executable's version
// read twice with the number of version reads the library made for each.
#include "tuFileSys.h"

#include <cstdio>

namespace {
using SizeFn = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
SizeFn g_realSize;
int g_sizeCalls;

DWORD WINAPI CountedSize(LPCWSTR file, LPDWORD handle) {
    ++g_sizeCalls;
    return g_realSize(file, handle);
}

// Routes the library's imported GetFileVersionInfoSizeW through the counter.
bool CountLibraryVersionReads() {
    auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleW(L"tarnUtil.dll"));
    g_realSize = reinterpret_cast<SizeFn>(reinterpret_cast<void (*)()>(
        ::GetProcAddress(::LoadLibraryW(L"version.dll"), "GetFileVersionInfoSizeW")));
    if (!base || !g_realSize)
        return false;
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
    for (; entry->Name; ++entry) {
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
        for (; slot->u1.Function; ++slot) {
            if (slot->u1.Function != reinterpret_cast<ULONG_PTR>(g_realSize))
                continue;
            DWORD old = 0;
            ::VirtualProtect(&slot->u1.Function, sizeof(ULONG_PTR), PAGE_READWRITE, &old);
            slot->u1.Function = reinterpret_cast<ULONG_PTR>(&CountedSize);
            ::VirtualProtect(&slot->u1.Function, sizeof(ULONG_PTR), old, &old);
            return true;
        }
    }
    return false;
}

void PrintExeVersion(const char* label, const wchar_t* file) {
    DWORD high = 0, low = 0;
    BOOL read = osGetVersionInfo(file, &high, &low);
    std::printf(" %s=%d:%lx.%lx reads=%d", label, read, high, low, g_sizeCalls);
}
} // namespace

int wmain() {
    OSVERSIONINFOW seen = {};
    seen.dwOSVersionInfoSize = sizeof seen;
    ::GetVersionExW(&seen);
    std::printf("os=%lu.%lu nt=%d 2k=%d%d xp=%d%d vista=%d%d", seen.dwMajorVersion,
                seen.dwMinorVersion, osIsNT(), osIsWin2000(FALSE), osIsWin2000(TRUE),
                osIsWinXP(FALSE), osIsWinXP(TRUE), osIsWinVista(FALSE), osIsWinVista(TRUE));
    std::printf(" counting=%d", CountLibraryVersionReads());
    PrintExeVersion("exe", nullptr);
    PrintExeVersion("again", nullptr);
    std::printf("\n");
    return 0;
}
