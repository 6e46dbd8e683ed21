// The handle-based walk of the removals: entries opened as themselves, checked from their
// handles and deleted through them.
#include "os/TreeWalk.h"

#include "os/OsSupport.h"
#include "tuFileSys.h"

#include <atomic>
#include <cwchar>
#include <vector>

namespace {

using tu::os::Entry;
using tu::os::Found;
using tu::os::Sweep;

constexpr wchar_t kExtendedPrefix[] = L"\\\\?\\";
constexpr wchar_t kExtendedUncPrefix[] = L"\\\\?\\UNC\\";
constexpr wchar_t kDevicePrefix[] = L"\\\\.\\";

// Deletion that removes the name at once (POSIX semantics), from Windows 10 1607 on; the build
// targets older systems, whose headers leave the class and its flags out.
constexpr auto kFileDispositionInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);
constexpr DWORD kDispositionDelete = 0x1;
constexpr DWORD kDispositionPosixSemantics = 0x2;

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
    return text.compare(0, wcslen(prefix), prefix) == 0;
}

bool IsDirectory(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The components of a backslash-separated text, empty ones included.
std::vector<std::wstring> ComponentsOf(const std::wstring& text) {
    std::vector<std::wstring> components;
    for (size_t start = 0;;) {
        size_t end = text.find(L'\\', start);
        components.push_back(text.substr(start, end == std::wstring::npos ? end : end - start));
        if (end == std::wstring::npos)
            return components;
        start = end + 1;
    }
}

bool HasDotComponent(const std::wstring& text) {
    for (const std::wstring& component : ComponentsOf(text))
        if (component == L"." || component == L"..")
            return true;
    return false;
}

std::wstring WithoutTrailingBackslashes(std::wstring path) {
    while (!path.empty() && path.back() == L'\\')
        path.pop_back();
    return path;
}

// The full path of a caller's path without the extended prefix and trailing backslashes; empty
// when it cannot be had. A path with the extended prefix is taken literally.
std::wstring PlainFullPath(const wchar_t* path) {
    std::wstring text = tu::os::PlainOf(path);
    if (text == path) {
        DWORD needed = ::GetFullPathNameW(path, 0, nullptr, nullptr);
        if (needed == 0)
            return {};
        text.assign(needed, L'\0');
        DWORD length = ::GetFullPathNameW(path, needed, &text[0], nullptr);
        text.resize(length < needed ? length : 0);
    }
    if (StartsWith(text, kDevicePrefix) || HasDotComponent(text) ||
        text.find_first_of(L"*?") != std::wstring::npos)
        return {};
    return WithoutTrailingBackslashes(text);
}

// True when a plain full path names an entry inside a volume: "X:\" or "\\server\share\" and
// at least one more component. Everything else names a volume or a share itself (also
// "\\?\Volume{...}" and the like).
bool IsInsideVolume(const std::wstring& plain) {
    if (plain.size() > 3 && plain[1] == L':' && plain[2] == L'\\')
        return true;
    if (!StartsWith(plain, L"\\\\"))
        return false;
    size_t share = plain.find(L'\\', 2);
    return share != std::wstring::npos && plain.find(L'\\', share + 1) != std::wstring::npos;
}

// A path as the system compares names: each component without its trailing dots and spaces
// (final paths under Wine come without them; a name reached without the extended prefix never
// has them).
std::wstring Comparable(const std::wstring& path) {
    std::wstring result;
    for (std::wstring component : ComponentsOf(path)) {
        component.erase(component.find_last_not_of(L". ") + 1);
        result += (result.empty() ? L"" : L"\\") + component;
    }
    return result;
}

bool SamePlace(const std::wstring& one, const std::wstring& other) {
    std::wstring a = Comparable(one), b = Comparable(other);
    return ::CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// The volume part of an extended path: \\?\X: or \\?\UNC\server\share.
std::wstring VolumeOf(const std::wstring& extended) {
    if (!StartsWith(extended, kExtendedUncPrefix))
        return extended.substr(0, wcslen(kExtendedPrefix) + 2);
    size_t server = extended.find(L'\\', wcslen(kExtendedUncPrefix));
    return extended.substr(0, extended.find(L'\\', server + 1));
}

// The entry's path on its volume, put on the volume of `expected`. Wine gives no final path
// past MAX_PATH characters; there an entry on another volume under the same path on that volume
// would pass for the expected one.
std::wstring NameOnVolume(HANDLE entry, const std::wstring& expected) {
    constexpr size_t kBytes = sizeof(FILE_NAME_INFO) + 32768 * sizeof(wchar_t);
    std::vector<LONGLONG> buffer(kBytes / sizeof(LONGLONG) + 1);
    auto* info = reinterpret_cast<FILE_NAME_INFO*>(buffer.data());
    if (!::GetFileInformationByHandleEx(entry, FileNameInfo, info, kBytes))
        return {};
    return VolumeOf(expected) +
           std::wstring(info->FileName, info->FileNameLength / sizeof(wchar_t));
}

// Where an opened entry really is, in the extended form; empty when the system cannot tell.
std::wstring FinalPathOf(HANDLE entry, const std::wstring& expected) {
    constexpr DWORD kFlags = FILE_NAME_NORMALIZED | VOLUME_NAME_DOS;
    std::wstring path(MAX_PATH, L'\0');
    DWORD length = ::GetFinalPathNameByHandleW(entry, &path[0], MAX_PATH, kFlags);
    if (length >= MAX_PATH) {
        path.resize(length);
        length = ::GetFinalPathNameByHandleW(entry, &path[0], length, kFlags);
    }
    if (length == 0 || length >= path.size())
        return NameOnVolume(entry, expected);
    path.resize(length);
    return WithoutTrailingBackslashes(path);
}

bool IsMissing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Errors of a file system that lacks an information class.
bool IsUnsupported(DWORD error) {
    return error == ERROR_INVALID_PARAMETER || error == ERROR_INVALID_FUNCTION ||
           error == ERROR_NOT_SUPPORTED;
}

DWORD AccessFor(DWORD listed, Sweep sweep, bool resetReadOnly) {
    DWORD access = FILE_READ_ATTRIBUTES | SYNCHRONIZE;
    if (IsDirectory(listed))
        access |= FILE_LIST_DIRECTORY;
    if (sweep != Sweep::CheckOnly)
        access |= DELETE;
    if (sweep != Sweep::CheckOnly && resetReadOnly && (listed & FILE_ATTRIBUTE_READONLY))
        access |= FILE_WRITE_ATTRIBUTES;
    return access;
}

void StepOutIfCurrent(const std::wstring& directory) {
    wchar_t current[MAX_PATH];
    DWORD length = ::GetCurrentDirectoryW(MAX_PATH, current);
    if (length > 0 && length < MAX_PATH &&
        SamePlace(tu::os::PlainOf(directory), WithoutTrailingBackslashes(current)))
        tu::os::StepOutOf(WithoutTrailingBackslashes(current));
}

Found Classify(DWORD attributes, bool inPlace) {
    if (!inPlace)
        return Found::Elsewhere;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return Found::Link;
    return IsDirectory(attributes) ? Found::Directory : Found::File;
}

// Opens the entry at `path` as itself and decides from its handle what it is; `expected` is
// where it has to be. `listed` (the attributes a listing showed) chooses the access.
Entry Open(const std::wstring& path, const std::wstring& expected, DWORD listed, Sweep sweep,
           bool resetReadOnly) {
    Entry entry;
    entry.path = expected;
    if (sweep == Sweep::Everything && IsDirectory(listed))
        StepOutIfCurrent(expected);
    entry.handle.reset(::CreateFileW(
        path.c_str(), AccessFor(listed, sweep, resetReadOnly), kShareAll, nullptr, OPEN_EXISTING,
        FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!entry.handle) {
        entry.found = IsMissing(::GetLastError()) ? Found::Missing : Found::Unopened;
        return entry;
    }
    FILE_ATTRIBUTE_TAG_INFO tag = {};
    if (!::GetFileInformationByHandleEx(entry.handle.get(), FileAttributeTagInfo, &tag, sizeof tag))
        return entry;
    entry.attributes = tag.FileAttributes;
    entry.found = Classify(tag.FileAttributes,
                           SamePlace(FinalPathOf(entry.handle.get(), expected), expected));
    return entry;
}

// The final path of the directory that holds a top entry, reached as the caller's path reaches
// it; empty, with `failed` telling why, when it cannot be had.
std::wstring FinalPathOfDirectory(const std::wstring& directory, Entry& failed) {
    tu::UniqueHandle handle(::CreateFileW((directory + L"\\").c_str(), FILE_READ_ATTRIBUTES,
                                          kShareAll, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle) {
        failed.found = IsMissing(::GetLastError()) ? Found::Missing : Found::Unopened;
        return {};
    }
    return FinalPathOf(handle.get(), directory);
}

// The name an entry has in its directory: the long name also where the path gives the short
// (8.3) one, and a link's own name. The path's last component when it is not listed.
std::wstring OwnName(const std::wstring& extended) {
    WIN32_FIND_DATAW found;
    tu::UniqueFind find(::FindFirstFileW(extended.c_str(), &found));
    return find ? found.cFileName : extended.substr(extended.rfind(L'\\') + 1);
}

bool MakeWritable(HANDLE file) {
    FILE_BASIC_INFO basic = {}; // times of zero stay as they are
    basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    return ::SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic) != FALSE;
}

struct Listed {
    std::wstring name;
    DWORD attributes;
};

void AddListed(std::vector<Listed>& entries, std::wstring name, DWORD attributes) {
    if (name != L"." && name != L"..")
        entries.push_back({std::move(name), attributes});
}

// Lists by name, for file systems that cannot list from a handle; each entry is still opened and
// checked from its own handle.
bool ListByName(const std::wstring& directory, std::vector<Listed>& entries) {
    WIN32_FIND_DATAW found;
    tu::UniqueFind find(::FindFirstFileW((directory + L"\\*").c_str(), &found));
    if (!find)
        return false;
    do
        AddListed(entries, found.cFileName, found.dwFileAttributes);
    while (::FindNextFileW(find.get(), &found));
    return true;
}

// The entries of a directory, read from its own handle: the listing is of the directory that
// was checked, even when its name has been given to something else since.
bool ListDirectory(const Entry& directory, std::vector<Listed>& entries) {
    std::vector<LONGLONG> buffer(8192);
    const DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(LONGLONG));
    FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;
    while (::GetFileInformationByHandleEx(directory.handle.get(), kind, buffer.data(), bytes)) {
        kind = FileIdBothDirectoryInfo;
        const BYTE* record = reinterpret_cast<const BYTE*>(buffer.data());
        for (;;) {
            auto* info = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(record);
            AddListed(entries, {info->FileName, info->FileNameLength / sizeof(wchar_t)},
                      info->FileAttributes);
            if (info->NextEntryOffset == 0)
                break;
            record += info->NextEntryOffset;
        }
    }
    DWORD error = ::GetLastError();
    if (error == ERROR_NO_MORE_FILES)
        return true;
    return entries.empty() && IsUnsupported(error) && ListByName(directory.path, entries);
}

class Walker {
public:
    Walker(Sweep sweep, bool resetReadOnly) : m_sweep(sweep), m_resetReadOnly(resetReadOnly) {}

    bool Directory(const Entry& directory) const {
        std::vector<Listed> listed;
        bool swept = ListDirectory(directory, listed);
        for (const Listed& child : listed)
            swept = Child(directory.path + L"\\" + child.name, child.attributes) && swept;
        if (m_sweep == Sweep::Everything)
            swept = tu::os::DeleteThrough(directory.handle.get()) && swept;
        return swept;
    }

private:
    bool Child(const std::wstring& path, DWORD listed) const {
        if (m_sweep == Sweep::CheckOnly && !tu::os::InReachByName(path))
            return false;
        return Visit(Open(path, path, listed, m_sweep, m_resetReadOnly));
    }

    bool Visit(const Entry& entry) const {
        switch (entry.found) {
        case Found::Missing:
            return true; // gone meanwhile: nothing left to delete
        case Found::Link:
            return m_sweep != Sweep::CheckOnly && tu::os::DeleteThrough(entry.handle.get());
        case Found::Directory:
            return Directory(entry);
        case Found::File:
            return m_sweep == Sweep::CheckOnly || RemoveFile(entry);
        default:
            return false;
        }
    }

    bool RemoveFile(const Entry& file) const {
        if (m_resetReadOnly && (file.attributes & FILE_ATTRIBUTE_READONLY))
            MakeWritable(file.handle.get());
        return tu::os::DeleteThrough(file.handle.get());
    }

    Sweep m_sweep;
    bool m_resetReadOnly;
};

} // namespace

std::wstring tu::os::ExtendedFullPath(const wchar_t* path) {
    std::wstring plain = PlainFullPath(path);
    if (!IsInsideVolume(plain))
        return {};
    if (StartsWith(plain, L"\\\\"))
        return kExtendedUncPrefix + plain.substr(2);
    return kExtendedPrefix + plain;
}

std::wstring tu::os::PlainOf(const std::wstring& extended) {
    if (StartsWith(extended, kExtendedUncPrefix))
        return L"\\\\" + extended.substr(wcslen(kExtendedUncPrefix));
    if (StartsWith(extended, kExtendedPrefix))
        return extended.substr(wcslen(kExtendedPrefix));
    return extended;
}

bool tu::os::InReachByName(const std::wstring& extended) {
    std::wstring plain = PlainOf(extended);
    return plain.size() < MAX_PATH && !osIsReservedFileName(plain.c_str()) &&
           plain.back() != L'.' && plain.back() != L' ';
}

void tu::os::StepOutOf(std::wstring directory) {
    size_t lastBackslash = directory.rfind(L'\\');
    if (lastBackslash == std::wstring::npos)
        return;
    directory.resize(lastBackslash);
    // The parent of a top-level directory is its drive's root, which keeps its backslash.
    if (osIsRootDir(directory.c_str()) && directory.back() != L'\\')
        directory += L'\\';
    ::SetCurrentDirectoryW(directory.c_str());
}

Entry tu::os::OpenTop(const std::wstring& extended, Sweep sweep, bool resetReadOnly) {
    Entry top;
    std::wstring directory = FinalPathOfDirectory(extended.substr(0, extended.rfind(L'\\')), top);
    if (directory.empty())
        return top;
    return Open(extended, directory + L"\\" + OwnName(extended), QuietAttributes(extended.c_str()),
                sweep, resetReadOnly);
}

bool tu::os::DeleteThrough(HANDLE entry) {
    // Once refused, the deletion with POSIX semantics is not asked for again: every entry of a
    // large tree would otherwise cost a second call. The plain deletion is as safe, only later.
    static std::atomic<bool> s_posixRefused{false};
    if (!s_posixRefused.load(std::memory_order_relaxed)) {
        DWORD flags = kDispositionDelete | kDispositionPosixSemantics;
        if (::SetFileInformationByHandle(entry, kFileDispositionInfoEx, &flags, sizeof flags))
            return true;
        if (!IsUnsupported(::GetLastError()))
            return false;
        s_posixRefused.store(true, std::memory_order_relaxed);
    }
    FILE_DISPOSITION_INFO disposition = {TRUE};
    return ::SetFileInformationByHandle(entry, FileDispositionInfo, &disposition,
                                        sizeof disposition) != FALSE;
}

bool tu::os::SweepDirectory(const Entry& directory, Sweep sweep, bool resetReadOnly) {
    return Walker(sweep, resetReadOnly).Directory(directory);
}
