// Operating-system version recorded at load and the questions asked of it, and the fixed file
// version of a module or file (the executable's cached after its first read).
#include "common/OwnHeap.h"
#include "internal/FileVersion.h"
#include "internal/LoadSteps.h"
#include "os/OsSupport.h"
#include "tuFileSys.h"
#include "tuLocal.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// Set once by the load-time probe, read without locks afterwards. Zero before the probe, so
// every version test answers false then.
struct OsVersion {
    OSVERSIONINFOW info;
    BOOL isNT;
};
OsVersion g_os;

// The executable's file version once read. Unlocked: two first readers store the same values;
// `valid` is published after both halves.
struct ExeVersionCache {
    std::atomic<DWORD> high{0};
    std::atomic<DWORD> low{0};
    std::atomic<bool> valid{false};
};
ExeVersionCache g_exeVersion;

void Store(DWORD* target, DWORD value) {
    if (target)
        *target = value;
}

bool CachedExeVersion(DWORD* high, DWORD* low) {
    if (!g_exeVersion.valid.load(std::memory_order_acquire))
        return false;
    Store(high, g_exeVersion.high.load(std::memory_order_relaxed));
    Store(low, g_exeVersion.low.load(std::memory_order_relaxed));
    return true;
}

void CacheExeVersion(DWORD high, DWORD low) {
    g_exeVersion.high.store(high, std::memory_order_relaxed);
    g_exeVersion.low.store(low, std::memory_order_relaxed);
    g_exeVersion.valid.store(true, std::memory_order_release);
}

// The name whose version is read: the text, string `id` of the module, or for null the
// executable; a loaded module is replaced by its full long path. False when the string cannot
// be loaded, the text is longer than 259 characters (a cut name could be another file), or the
// executable's path cannot be found.
bool VersionFileName(LPCWSTR file, HINSTANCE module, wchar_t (&name)[MAX_PATH]) {
    name[0] = L'\0';
    if (file && IS_INTRESOURCE(file)) {
        const UINT id = static_cast<UINT>(reinterpret_cast<ULONG_PTR>(file));
        if (!lclLoadStringW(module, id, name, MAX_PATH, LCL_USER_INPUT_LANG, TRUE))
            return false;
    } else if (file && !tu::os::CopyPath(name, file)) {
        return false;
    }
    HMODULE loaded = ::GetModuleHandleW(file ? name : nullptr);
    if (!loaded)
        return file != nullptr;
    wchar_t path[MAX_PATH];
    if (!osGetModuleFileName(loaded, path, MAX_PATH))
        return file != nullptr;
    std::memcpy(name, path, sizeof name);
    return true;
}

} // namespace

namespace tu::os {
VersionRead ReadFileVersion(const wchar_t* path, VS_FIXEDFILEINFO& fixed) {
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path, &ignored);
    if (!size)
        return VersionRead::None;
    std::unique_ptr<void, decltype(&OwnFree)> info(OwnMalloc(size), &OwnFree);
    if (!info)
        return VersionRead::OutOfMemory;
    std::memset(info.get(), 0, size);
    if (!::GetFileVersionInfoW(path, 0, size, info.get()))
        return VersionRead::None;
    VS_FIXEDFILEINFO* root = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(info.get(), L"\\", reinterpret_cast<void**>(&root), &length))
        return VersionRead::NoRootBlock;
    if (!root || length < sizeof(VS_FIXEDFILEINFO))
        return VersionRead::EmptyRootBlock;
    fixed = *root;
    return VersionRead::Fixed;
}

void ProbeOsVersion() {
    std::memset(&g_os.info, 0, sizeof g_os.info);
    g_os.info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
    ::GetVersionExW(&g_os.info);
    g_os.isNT = g_os.info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}
} // namespace tu::os

BOOL WINAPI osIsNT() {
    return g_os.isNT;
}

BOOL WINAPI osIsWin2000(BOOL orLater) {
    const DWORD major = g_os.info.dwMajorVersion;
    return g_os.isNT && (orLater ? major >= 5 : major == 5 && g_os.info.dwMinorVersion == 0);
}

BOOL WINAPI osIsWinXP(BOOL orLater) {
    const DWORD major = g_os.info.dwMajorVersion;
    const bool xp = major == 5 && g_os.info.dwMinorVersion == 1;
    return g_os.isNT && (xp || (orLater && major >= 6));
}

BOOL WINAPI osIsWinVista(BOOL orLater) {
    const DWORD major = g_os.info.dwMajorVersion;
    return orLater ? major >= 6 : major == 6;
}

BOOL WINAPI osGetVersionInfo(LPCWSTR file, DWORD* high, DWORD* low, HINSTANCE module) {
    if (!file && CachedExeVersion(high, low))
        return TRUE;
    Store(high, 0);
    Store(low, 0);
    wchar_t name[MAX_PATH];
    if (!VersionFileName(file, module, name))
        return FALSE;
    VS_FIXEDFILEINFO fixed;
    switch (tu::os::ReadFileVersion(name, fixed)) {
    case tu::os::VersionRead::None:
        return FALSE;
    case tu::os::VersionRead::OutOfMemory:
        errOutOfMemMsgBox();
        return FALSE;
    case tu::os::VersionRead::NoRootBlock:
        return !high && !low;
    case tu::os::VersionRead::EmptyRootBlock:
        // The file has version information but no fixed version: the outputs stay 0.
        return TRUE;
    case tu::os::VersionRead::Fixed:
        break;
    }
    Store(high, fixed.dwFileVersionMS);
    Store(low, fixed.dwFileVersionLS);
    if (!file)
        CacheExeVersion(fixed.dwFileVersionMS, fixed.dwFileVersionLS);
    return TRUE;
}
