// INI settings: the two default settings files, file selectors with user-over-common reads,
// string-resource ids as section, key and default, and the text forms of integers, doubles and
// binary records.
#include "tuFileSys.h"
#include "tuLocal.h"
#include "tuSettings.h"

#include "common/Boundary.h"
#include "common/WindowsSupport.h"
#include "common/HexDigits.h"
#include "common/ReadDouble.h"
#include "internal/LoadSteps.h"
#include "settings/ProgramFolder.h"

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <cwctype>
#include <memory>
#include <new>

namespace {

const ULONG_PTR kUserFile = 1;
const ULONG_PTR kCommonFile = 2;
const ULONG_PTR kBothFiles = kUserFile | kCommonFile;

// Texts loaded for resource ids, one buffer per argument position.
enum IdSlot { kSectionSlot, kKeySlot, kDefaultSlot, kIdSlots };

// Process-wide settings state, unlocked: the names are set at load or at the program's
// start-up, and the id texts are shared by every call that passes a module (such calls must
// not run in two threads at once). Zero at load: both names empty, flag 0.
struct IniState {
    wchar_t defaultName[2][MAX_PATH]; // [0] the user file, [1] the common file
    int sameFile;                     // 1 when both names are equal, compared case-sensitively
    wchar_t idText[kIdSlots][MAX_PATH];
};
IniState g_ini;

wchar_t* DefaultName(int kind) {
    return g_ini.defaultName[kind ? 1 : 0];
}

// A pointer argument that holds a text rather than a null or a 16-bit id.
bool IsText(const wchar_t* p) {
    return reinterpret_cast<ULONG_PTR>(p) >= 0x10000;
}

bool IsId(const wchar_t* p) {
    return p && !IsText(p);
}

BOOL Invalid() {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

void SetFromUser(int* fromUser, int value) {
    if (fromUser)
        *fromUser = value;
}

// Copies text into buffer (size >= 1 characters), cut to fit; returns the characters copied.
DWORD CopyCut(const wchar_t* text, wchar_t* buffer, DWORD size) {
    DWORD length = 0;
    while (length + 1 < size && text[length]) {
        buffer[length] = text[length];
        ++length;
    }
    buffer[length] = L'\0';
    return length;
}

// ---- Default file names ------------------------------------------------------------------

// <data folder of the kind>\<executable's base name>.ini. Left empty when the folder cannot be
// decided or the name would not fit (a cut path could name some other file); emptied first, so
// that it stays empty when memory runs short on the way.
void DeriveDefaultName(int kind) {
    wchar_t* name = DefaultName(kind);
    name[0] = L'\0';
    const wchar_t* exe = tu::settings::ExecutableLongPath();
    wchar_t base[_MAX_FNAME];
    if (!exe[0] || _wsplitpath_s(exe, nullptr, 0, nullptr, 0, base, _MAX_FNAME, nullptr, 0) != 0)
        return;
    const wchar_t* folder = ssnGetDataDir(kind);
    if (!folder)
        return;
    CString path = osAppendBackslashStr(folder) + base + L".ini";
    if (path.GetLength() < MAX_PATH)
        wcscpy_s(name, MAX_PATH, path);
}

int UpdateSameFile() {
    g_ini.sameFile = wcscmp(g_ini.defaultName[0], g_ini.defaultName[1]) == 0 ? 1 : 0;
    return g_ini.sameFile;
}

// ---- Arguments -----------------------------------------------------------------------------

// Replaces an id argument by its string from the module's table (in the user-input language,
// English as fallback); false when the string cannot be loaded. Without a module, or for a
// text, the argument stays as it is.
bool ResolveId(HINSTANCE module, const wchar_t*& argument, IdSlot slot) {
    if (!module || !IsId(argument))
        return true;
    wchar_t* text = g_ini.idText[slot];
    UINT id = static_cast<UINT>(reinterpret_cast<ULONG_PTR>(argument));
    if (lclLoadString(module, id, text, MAX_PATH, static_cast<UINT>(-1), TRUE) <= 0)
        return false;
    argument = text;
    return true;
}

// Resolves section and key (and default, when given) and checks that section and key are texts.
// False when an id cannot be loaded, or for invalid arguments (last error 87).
bool PrepareReadArgs(HINSTANCE module, const wchar_t*& section, const wchar_t*& key,
                     const wchar_t** def = nullptr) {
    if (!ResolveId(module, section, kSectionSlot) || !ResolveId(module, key, kKeySlot) ||
        (def && !ResolveId(module, *def, kDefaultSlot)))
        return false;
    return IsText(section) && IsText(key) && !(def && IsId(*def)) ? true : Invalid();
}

// The same for writes, where a null key is allowed (it removes the section) when keyMayBeNull.
bool PrepareWriteArgs(HINSTANCE module, const wchar_t*& section, const wchar_t*& key,
                      bool keyMayBeNull) {
    if (!ResolveId(module, section, kSectionSlot) || !ResolveId(module, key, kKeySlot))
        return false;
    return IsText(section) && !IsId(key) && (key || keyMayBeNull) ? true : Invalid();
}

// A file selector: one file by name, or a set of default-file flags.
struct Selector {
    const wchar_t* name;
    ULONG_PTR flags;
};

Selector ReadSelector(const wchar_t* file, ULONG_PTR flagsForZero) {
    if (IsText(file))
        return {file, 0};
    ULONG_PTR flags = reinterpret_cast<ULONG_PTR>(file);
    return {nullptr, flags ? flags : flagsForZero};
}

// ---- One file ------------------------------------------------------------------------------

// An empty name (an undecided default file) holds no keys and takes no writes; the profile
// functions would otherwise look for it in the Windows folder.
bool HasFile(const wchar_t* name) {
    return name && *name;
}

int ReadInt(const wchar_t* section, const wchar_t* key, int def, const wchar_t* name) {
    if (!HasFile(name))
        return def;
    return static_cast<int>(::GetPrivateProfileIntW(section, key, def, name));
}

DWORD ReadText(const wchar_t* section, const wchar_t* key, const wchar_t* def, wchar_t* buffer,
               DWORD size, const wchar_t* name) {
    if (!HasFile(name))
        return CopyCut(def, buffer, size);
    return ::GetPrivateProfileStringW(section, key, def, buffer, size, name);
}

// True when the file holds the key, even with an empty text: an absent key answers with the
// default, so a read with the default "1" that comes back empty found the key.
bool HasTextKey(const wchar_t* section, const wchar_t* key, const wchar_t* name) {
    wchar_t probe[2];
    return ReadText(section, key, L"", probe, 2, name) > 0 ||
           ReadText(section, key, L"1", probe, 2, name) == 0;
}

// True when the file holds a number for the key. The integer reader answers an empty text as
// it answers an absent key, with the default, so an empty text counts as absent here and the
// common file may still supply the number.
bool HasIntKey(const wchar_t* section, const wchar_t* key, const wchar_t* name) {
    return ReadInt(section, key, 0, name) != 0 || ReadInt(section, key, 1, name) == 0;
}

// Creates a missing settings file holding only the UTF-16 byte-order mark, so that the
// profile writer keeps the file UTF-16 and settings may hold any character.
void PrepareFile(const wchar_t* name) {
    if (osExistsFile(name) || osIsReservedFileName(name))
        return;
    FILE* file = _wfopen(name, L"wb");
    if (!file)
        return; // the write itself then reports what went wrong
    static const unsigned char byteOrderMark[] = {0xFF, 0xFE};
    std::fwrite(byteOrderMark, 1, sizeof byteOrderMark, file);
    std::fclose(file);
}

bool WriteToFile(const wchar_t* section, const wchar_t* key, const wchar_t* value,
                 const wchar_t* name) {
    if (!HasFile(name))
        return false;
    PrepareFile(name);
    return ::WritePrivateProfileStringW(section, key, value, name) != FALSE;
}

// ---- Through a selector --------------------------------------------------------------------

// The common file is a fallback only when the selector asks for it and it is another file.
bool FallsBackToCommon(ULONG_PTR flags) {
    return (flags & kCommonFile) && !g_ini.sameFile;
}

// The user-over-common search of the reads. `hasKey(section, key, name)` tells whether the user
// file holds the key, `readFile(name)` reads one file with the caller's default; `useDefault()`
// answers when no file searched holds the key.
template <typename ReadFile, typename UseDefault>
auto ReadSelected(const wchar_t* section, const wchar_t* key, const wchar_t* file, int* fromUser,
                  bool (*hasKey)(const wchar_t*, const wchar_t*, const wchar_t*), ReadFile readFile,
                  UseDefault useDefault) {
    Selector selector = ReadSelector(file, kBothFiles);
    if (selector.name)
        return readFile(selector.name);
    if (!(selector.flags & kUserFile))
        return readFile(DefaultName(1));
    SetFromUser(fromUser, 1);
    if (hasKey(section, key, DefaultName(0)))
        return readFile(DefaultName(0));
    SetFromUser(fromUser, 0);
    if (FallsBackToCommon(selector.flags))
        return readFile(DefaultName(1));
    return useDefault();
}

DWORD ReadSelectedText(const wchar_t* section, const wchar_t* key, const wchar_t* def,
                       wchar_t* buffer, DWORD size, const wchar_t* file, int* fromUser) {
    return ReadSelected(
        section, key, file, fromUser, HasTextKey,
        [&](const wchar_t* name) { return ReadText(section, key, def, buffer, size, name); },
        [&] { return CopyCut(def, buffer, size); });
}

// How a write through flags 1 and 2 treats the common file.
enum class CommonWrite {
    Also,            // texts: written too when the files differ
    OnlyIfUserFailed // records: the common file is the user file's stand-in
};

// Writes through a selector. A path: that file's write. Flag 1 writes the user file; a
// successful write there ends the call when both names are the same file or the common file is
// only a stand-in, and a failed one ends it (FALSE) for a stand-in of the same file. Flag 2 then
// writes the common file and decides the result; with neither, TRUE.
BOOL WriteSelected(const wchar_t* section, const wchar_t* key, const wchar_t* value,
                   const wchar_t* file, CommonWrite policy) {
    Selector selector = ReadSelector(file, kUserFile);
    if (selector.name)
        return WriteToFile(section, key, value, selector.name);
    if (selector.flags & kUserFile) {
        bool standIn = policy == CommonWrite::OnlyIfUserFailed;
        bool written = WriteToFile(section, key, value, DefaultName(0));
        if (written && (g_ini.sameFile || standIn))
            return TRUE;
        if (!written && g_ini.sameFile && standIn)
            return FALSE;
    }
    if (selector.flags & kCommonFile)
        return WriteToFile(section, key, value, DefaultName(1));
    return TRUE;
}

// ---- Records -------------------------------------------------------------------------------

// Largest record whose text buffer (two characters a byte and two more) fits a DWORD size.
const UINT kMaxRecordSize = (MAXDWORD - 2) / 2;

// Decodes 2*size hex digits into size bytes; stops at the first pair that is not hex, with
// the bytes before it written.
bool DecodeHex(const wchar_t* text, BYTE* record, UINT size) {
    for (UINT i = 0; i < size; ++i) {
        int high = tu::text::DigitValue(text[2 * i]);
        int low = tu::text::DigitValue(text[2 * i + 1]);
        if (high < 0 || low < 0)
            return false;
        record[i] = static_cast<BYTE>(high << 4 | low);
    }
    return true;
}

std::unique_ptr<wchar_t[]> TextBuffer(DWORD characters) {
    return std::unique_ptr<wchar_t[]>(new (std::nothrow) wchar_t[characters]);
}

} // namespace

namespace tu::settings {
void DeriveDefaultIniNames() {
    // The common name first: deciding it decides the common data folder, which the user
    // folder may be placed in (single-user mode).
    iniSetDefaultFileName(1, nullptr);
    iniSetDefaultFileName(0, nullptr);
}
} // namespace tu::settings

LPCWSTR WINAPI iniGetDefaultFileName(int kind) {
    return DefaultName(kind);
}

int WINAPI iniSetDefaultFileName(int kind, LPCWSTR name) {
    if (IsId(name)) {
        Invalid();
        return g_ini.sameFile;
    }
    if (name) {
        // Through a copy: the name may be the library's own text of either kind.
        wchar_t copy[MAX_PATH];
        CopyCut(name, copy, MAX_PATH);
        wcscpy_s(DefaultName(kind), MAX_PATH, copy);
    } else {
        tu::Guarded([&] { DeriveDefaultName(kind); });
    }
    return UpdateSameFile();
}

int WINAPI iniGetInt(LPCWSTR section, LPCWSTR key, int def, LPCWSTR file, HINSTANCE module,
                     int* fromUser) {
    ::SetLastError(0);
    if (!PrepareReadArgs(module, section, key))
        return def;
    return ReadSelected(
        section, key, file, fromUser, HasIntKey,
        [&](const wchar_t* name) { return ReadInt(section, key, def, name); }, [&] { return def; });
}

DWORD WINAPI iniGetString(LPCWSTR section, LPCWSTR key, LPCWSTR def, LPWSTR buffer, DWORD size,
                          LPCWSTR file, HINSTANCE module, int* fromUser) {
    if (!buffer || size == 0)
        return Invalid();
    buffer[0] = L'\0';
    if (!PrepareReadArgs(module, section, key, &def))
        return 0;
    return ReadSelectedText(section, key, def ? def : L"", buffer, size, file, fromUser);
}

double WINAPI iniGetDouble(LPCWSTR section, LPCWSTR key, double def, LPCWSTR file, HINSTANCE module,
                           int* fromUser) {
    wchar_t text[128];
    if (iniGetString(section, key, L"", text, 128, file, module, fromUser) == 0)
        return def;
    // Only a text that starts like a number is one: sign, point, then a digit.
    const wchar_t* p = text;
    if (*p == L'+' || *p == L'-')
        ++p;
    if (*p == L'.')
        ++p;
    if (!std::iswdigit(*p))
        return def;
    return tu::Guarded(def, [&] { return tu::text::ReadDouble(text, nullptr); });
}

BOOL WINAPI iniGetStruct(LPCWSTR section, LPCWSTR key, void* record, UINT size, LPCWSTR file,
                         HINSTANCE module, int* fromUser) {
    if ((size > 0 && !record) || size > kMaxRecordSize)
        return Invalid();
    if (!PrepareReadArgs(module, section, key))
        return FALSE;
    // One character more than the record's text, so that a longer text is seen as too long
    // instead of being cut to the expected length.
    DWORD textSize = 2 * size + 2;
    std::unique_ptr<wchar_t[]> text = TextBuffer(textSize);
    if (!text)
        return FALSE;
    DWORD length = ReadSelectedText(section, key, L"", text.get(), textSize, file, fromUser);
    if (size == 0)
        return TRUE; // an empty record is read whatever the text
    if (length != 2 * size)
        return FALSE;
    return DecodeHex(text.get(), static_cast<BYTE*>(record), size);
}

BOOL WINAPI iniWriteString(LPCWSTR section, LPCWSTR key, LPCWSTR value, LPCWSTR file,
                           HINSTANCE module) {
    if (!PrepareWriteArgs(module, section, key, true))
        return FALSE;
    if (IsId(value))
        return Invalid(); // values are never ids
    return WriteSelected(section, key, value, file, CommonWrite::Also);
}

BOOL WINAPI iniWriteInt(LPCWSTR section, LPCWSTR key, int value, LPCWSTR file, HINSTANCE module) {
    if (!key)
        return Invalid(); // a number has a key; a null key would remove the section
    wchar_t text[16];
    _snwprintf(text, 16, L"%ld", static_cast<long>(value));
    return iniWriteString(section, key, text, file, module);
}

BOOL WINAPI iniWriteDouble(LPCWSTR section, LPCWSTR key, double value, LPCWSTR file,
                           HINSTANCE module) {
    if (!key)
        return Invalid();
    char narrow[64];
    wchar_t text[40];
    _gcvt(value, 15, narrow);
    if (!::MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, narrow, -1, text, 40))
        return FALSE;
    return iniWriteString(section, key, text, file, module);
}

BOOL WINAPI iniWriteStruct(LPCWSTR section, LPCWSTR key, const void* record, UINT size,
                           LPCWSTR file, HINSTANCE module) {
    if ((size > 0 && !record) || size > kMaxRecordSize)
        return Invalid();
    if (!PrepareWriteArgs(module, section, key, false))
        return FALSE;
    std::unique_ptr<wchar_t[]> text = TextBuffer(2 * size + 1);
    if (!text)
        return FALSE;
    tu::text::PutDigitPairs(static_cast<const BYTE*>(record), size, tu::text::kUpperPairs,
                            text.get());
    text[2 * size] = L'\0';
    return WriteSelected(section, key, text.get(), file, CommonWrite::OnlyIfUserFailed);
}
