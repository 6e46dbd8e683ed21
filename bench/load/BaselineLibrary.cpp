// The load benchmark's baseline: a library whose attach makes only the platform calls that the
// library's attach sequence needs in an installation without "appProps.ini": the version probe,
// the executable's long path, the switches of "appProps.ini", the shell's two application-data
// folders found or created, and the locale cache's reads of the user's "intl" section. So the
// load-time ratio shows what the library adds to them.
#include "AttachTimes.h"

#include <shlobj.h>

#include <cwchar>
#include <iterator>

loadbench::AttachTimes tarnAttachTimes;
LOADBENCH_STATICS_START

namespace {

constexpr wchar_t kSection[] = L"ResistantSettings";

void Mark(int step) {
    tarnAttachTimes.marks[step] = loadbench::Counter();
}

// The common folder (kind 1), then the user folder (kind 0), as the library decides them.
void DataFolder(int kind, const wchar_t* properties, const wchar_t* executableFolderName) {
    if (!kind)
        ::GetPrivateProfileIntW(kSection, L"UseSingleUserMode", 0, properties);
    ::GetPrivateProfileIntW(kSection, L"UseApplicationFolderAsDataFolder", 0, properties);
    wchar_t folder[MAX_PATH];
    ::GetPrivateProfileStringW(kSection, kind ? L"AllUsersNetPath" : L"CurrUserNetPath", L"",
                               folder, MAX_PATH, properties);
    const int csidl = CSIDL_FLAG_CREATE | (kind ? CSIDL_COMMON_APPDATA : CSIDL_APPDATA);
    if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, folder)))
        return;
    wcscat_s(folder, L"\\Calder Works");
    wcscat_s(folder, executableFolderName);
    if (::GetFileAttributesW(folder) == INVALID_FILE_ATTRIBUTES)
        ::SHCreateDirectoryExW(nullptr, folder, nullptr);
}

void DataFolders() {
    wchar_t path[MAX_PATH];
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    ::GetFullPathNameW(path, MAX_PATH, path, nullptr);
    ::GetLongPathNameW(path, path, MAX_PATH);
    *wcsrchr(path, L'\\') = L'\0';
    wchar_t properties[MAX_PATH];
    swprintf(properties, MAX_PATH, L"%ls\\appProps.ini", path);
    const wchar_t* executableFolderName = wcsrchr(path, L'\\');
    DataFolder(1, properties, executableFolderName);
    DataFolder(0, properties, executableFolderName);
}

void Separator(const wchar_t* key, LCTYPE item) {
    wchar_t value[2];
    wchar_t fromLocale[8];
    if (::GetProfileStringW(L"intl", key, L"", value, std::size(value)) == 0)
        ::GetLocaleInfoW(LOCALE_USER_DEFAULT, item, fromLocale, std::size(fromLocale));
}

void LocaleCache() {
    Separator(L"sDecimal", LOCALE_SDECIMAL);
    wchar_t fromLocale[8];
    if (::GetProfileIntW(L"intl", L"iDate", -1) == static_cast<UINT>(-1))
        ::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IDATE, fromLocale, std::size(fromLocale));
    Separator(L"sDate", LOCALE_SDATE);
    Separator(L"sTime", LOCALE_STIME);
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    Mark(0);
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof version;
    ::GetVersionExW(&version);
    Mark(1);
    DataFolders();
    Mark(2);
    Mark(3); // no hook registry
    LocaleCache();
    Mark(4);
    Mark(5); // no class library
    return TRUE;
}
