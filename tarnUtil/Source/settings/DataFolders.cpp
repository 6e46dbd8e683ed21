// Data folders: where the program keeps its per-user and all-users data, decided from the
// switches of "appProps.ini" beside the executable, created on first use and then remembered.
#include "tuFileSys.h"
#include "tuSettings.h"

#include "settings/ProgramFolder.h"

#include <shlobj.h>

#include <atomic>
#include <cwchar>
#include <iterator>
#include <new>

namespace {

constexpr wchar_t kSection[] = L"ResistantSettings";

// Decided folders and the properties file's path. A folder is built in a local buffer and
// published whole as a copy of its own, which is never freed: a reader sees the old text or
// the new one, and a text once handed out stays valid for the process's life (setting a folder
// to the text that ssnGetDataDir returned copies it before anything changes). Null: undecided.
struct DataFolderState {
    std::atomic<const wchar_t*> folder[2] = {};
    wchar_t propertiesFile[MAX_PATH] = {};
};
DataFolderState g_folders;

std::atomic<const wchar_t*>& FolderOf(int kind) {
    return g_folders.folder[kind ? 1 : 0];
}

// Publishes a copy of the first MAX_PATH - 1 characters of the text as the folder of a kind;
// false (nothing changed) when there is no memory for the copy.
bool Publish(int kind, const wchar_t* text) {
    size_t length = wcsnlen(text, MAX_PATH - 1);
    wchar_t* copy = new (std::nothrow) wchar_t[length + 1];
    if (!copy)
        return false;
    wmemcpy(copy, text, length);
    copy[length] = L'\0';
    FolderOf(kind).store(copy, std::memory_order_release);
    return true;
}

// Appends the text to a MAX_PATH buffer; false (and the buffer unchanged) when it does not fit.
bool Append(wchar_t* path, const wchar_t* text) {
    const size_t length = wcslen(path);
    if (length + wcslen(text) >= MAX_PATH)
        return false;
    wcscpy(path + length, text);
    return true;
}

// Appends a backslash (unless there is one already) and the name.
bool AppendComponent(wchar_t* path, const wchar_t* name) {
    if (wcslen(path) + 1 >= MAX_PATH)
        return false;
    osAppendBackslash(path);
    return Append(path, name);
}

// "appProps.ini" beside the executable; computed once.
const wchar_t* PropertiesFile() {
    wchar_t* file = g_folders.propertiesFile;
    if (!file[0]) {
        tu::settings::ExecutableFolder(file);
        if (file[0])
            osAppendBackslash(file);
        Append(file, L"appProps.ini");
    }
    return file;
}

// Whether "appProps.ini" is there. Without it every switch has its default, which one look at
// the file tells for a whole decision, where the profile functions would look for the missing
// file once per key.
bool PropertiesPresent() {
    return ::GetFileAttributesW(PropertiesFile()) != INVALID_FILE_ATTRIBUTES;
}

bool Switch(bool present, const wchar_t* key) {
    return present && ::GetPrivateProfileIntW(kSection, key, 0, PropertiesFile()) != 0;
}

// The last component of a folder decided from a base: "All Users", "SingleUser" or the
// user's logon name.
bool AppendSubFolder(int kind, bool present, wchar_t* folder) {
    osDeleteBackslash(folder);
    wchar_t name[MAX_PATH] = L"";
    if (kind)
        wcscpy(name, L"All Users");
    else if (Switch(present, L"UseSingleUserMode"))
        wcscpy(name, L"SingleUser");
    else {
        DWORD size = std::size(name);
        if (!::GetUserNameW(name, &size))
            name[0] = L'\0';
    }
    return name[0] && AppendComponent(folder, name);
}

// The user folder in single-user mode: "SingleUser" in the common folder.
bool SingleUserFolder(bool present, wchar_t* folder) {
    const wchar_t* common = ssnGetDataDir(1);
    if (!common)
        return false;
    wcscpy(folder, common);
    return AppendSubFolder(0, present, folder);
}

// "Data" beside the executable.
bool ApplicationDataFolder(wchar_t* folder) {
    tu::settings::ExecutableFolder(folder);
    return AppendComponent(folder, L"Data");
}

// An explicit folder from "CurrUserNetPath" or "AllUsersNetPath", relative ones taken against
// the current directory; false when the key is empty or its path cannot be expanded.
bool ExplicitFolder(int kind, bool present, wchar_t* folder) {
    if (!present)
        return false;
    ::GetPrivateProfileStringW(kSection, kind ? L"AllUsersNetPath" : L"CurrUserNetPath", L"",
                               folder, MAX_PATH, PropertiesFile());
    if (folder[0] && !osIsAbsPath(folder) && !osIsUNCPath(folder) &&
        !osFullPath(folder, folder, MAX_PATH))
        folder[0] = L'\0';
    return folder[0] != L'\0';
}

// The shell's application-data folder (the user's or the common one), "Calder Works", and the
// name of the executable's folder.
bool DefaultFolder(int kind, wchar_t* folder) {
    const int csidl = CSIDL_FLAG_CREATE | (kind ? CSIDL_COMMON_APPDATA : CSIDL_APPDATA);
    if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, folder)))
        return false;
    wchar_t executableFolder[MAX_PATH];
    tu::settings::ExecutableFolder(executableFolder);
    osDeleteBackslash(executableFolder);
    const wchar_t* ownName = wcsrchr(executableFolder, L'\\');
    return ownName && Append(folder, L"\\Calder Works") && Append(folder, ownName);
}

// Finds the folder on disk or creates it with its missing parents.
bool ExistsOrCreated(const wchar_t* folder) {
    return osExistsDir(folder) || osMakeDirEx(folder);
}

// Decides the folder of a kind into its empty buffer; false when it cannot be had.
// Single-user mode comes first, then the application folder, then explicit paths.
bool Decide(int kind, wchar_t* folder) {
    const bool present = PropertiesPresent();
    if (!kind && Switch(present, L"UseSingleUserMode"))
        return SingleUserFolder(present, folder) && ExistsOrCreated(folder);
    if (Switch(present, L"UseApplicationFolderAsDataFolder"))
        return ApplicationDataFolder(folder) && AppendSubFolder(kind, present, folder) &&
               ExistsOrCreated(folder);
    if (ExplicitFolder(kind, present, folder))
        return ExistsOrCreated(folder);
    return DefaultFolder(kind, folder) && ExistsOrCreated(folder);
}

} // namespace

const wchar_t* tu::settings::ExecutableLongPath() {
    struct LongPath {
        wchar_t text[MAX_PATH] = L"";
        LongPath() { osGetModuleFileName(nullptr, text, MAX_PATH); }
    };
    static const LongPath path; // the runtime makes it once, whichever thread comes first
    return path.text;
}

void tu::settings::ExecutableFolder(wchar_t* folder) {
    wcscpy(folder, ExecutableLongPath());
    wchar_t* lastBackslash = wcsrchr(folder, L'\\');
    *(lastBackslash ? lastBackslash : folder) = L'\0';
}

LPCWSTR WINAPI ssnGetDataDir(int kind) {
    if (const wchar_t* decided = FolderOf(kind).load(std::memory_order_acquire))
        return decided;
    wchar_t folder[MAX_PATH] = L"";
    // Undecided (also without memory for the copy): the next call tries again.
    if (!Decide(kind, folder) || !Publish(kind, folder))
        return nullptr;
    return FolderOf(kind).load(std::memory_order_acquire);
}

void WINAPI ssnSetDataDir(int kind, LPCWSTR path) {
    if (!path || !path[0])
        FolderOf(kind).store(nullptr, std::memory_order_release);
    else
        Publish(kind, path);
}
