// Localization: the user-input language, resource lookup by language with fallback to English,
// positional message formatting, the out-of-memory box, and the resource-library manager C1fa.
// Threads: any; the UI language changes only in the UI thread; C1fa and its LDS buffers unlocked.
#pragma once

#include "tuExport.h"

#include <afx.h>

#include <cstdarg>

// Language arguments: LCL_USER_INPUT_LANG (-1) stands for the user-input language; any other
// value is a language id used unchanged. English (United States), 1033, is the fallback.
#define LCL_USER_INPUT_LANG (static_cast<UINT>(-1))

// Lookup order of every function below that takes a fallback flag, for a language L:
//   1. L exactly (with the flag zero, this is the only step);
//   2. English (United States), 1033, unless L is 1033;
//   3. whatever language the module holds, as the platform chooses it.
// Strings add one step: when the block of 16 strings holding the id was found in a language
// other than 1033 but lacks the string, the string is looked up once more in 1033 alone.

// The language in which the user interface is shown: 1033 until the user-input thread
// changes it with lclSetThreadLangID.
TARNUTIL_API WORD WINAPI lclGetUserInputThreadLangID();

// The language of the calling thread's locale (low 16 bits of its locale id).
TARNUTIL_API WORD WINAPI lclGetThreadLangID();

// Makes the language (with default sort) the calling thread's locale and returns the result of
// SetThreadLocale. Called on the user-input thread, it first makes it the user-input language.
TARNUTIL_API BOOL WINAPI lclSetThreadLangID(WORD langId);

// Finds the dialog resource (name or integer id) in the language, with the lookup order above
// when fallback is nonzero. Null when none is found.
TARNUTIL_API HRSRC WINAPI lclFindDlgResource(HMODULE module, LPCWSTR dialog, UINT language,
                                             BOOL fallback);

// Finds, loads and locks dialog `dialogId` as lclFindDlgResource does. The template belongs to
// the module and stays valid while the module is loaded; null when none is found or the id
// is above 0xFFFF.
TARNUTIL_API DLGTEMPLATE* WINAPI lclLoadDlgTemplate(HMODULE module, UINT dialogId, UINT language,
                                                    BOOL fallback);

// Copies resource `id` of the given type, found in the lookup order above, onto the heap and
// stores its size in bytes through `size`. The copy is the caller's, released with free().
// Null when `size` is null, the id is above 0xFFFF, or the resource is missing, empty or
// cannot be loaded or copied.
TARNUTIL_API void* WINAPI lclLoadCustomResource(HMODULE module, UINT id, LPCWSTR type, DWORD* size,
                                                UINT language, BOOL fallback);

// The ANSI code page of a language: 932 for 1041 (Japanese), 936 for 2052 and 4100 (Chinese,
// PRC and Singapore), 1252 for every other language.
TARNUTIL_API UINT WINAPI lclGetCPofIdMs(UINT langId);

// Loads string `id` of the module in the language (lookup order above) into the buffer of
// `size` characters, cut to fit and always terminated; an unfound string leaves it empty.
// Returns the characters copied without the terminator, 0 when nothing was found. A null
// buffer or a size of 0 returns 0 with the thread's last error set to 87 (invalid parameter).
// Ids from 0xFFFF0 on, whose block number is no resource id, find nothing.
//   string "Save as" into 16 characters -> "Save as", 7
//   string "Save as" into  4 characters -> "Sav", 3
//   string "Save as" into  1 character  -> "", 0
TARNUTIL_API int WINAPI lclLoadStringW(HINSTANCE module, UINT id, LPWSTR buffer, UINT size,
                                       UINT language, BOOL fallback);

// The same function as lclLoadStringW under a second exported name.
TARNUTIL_API int WINAPI lclLoadString(HINSTANCE module, UINT id, LPWSTR buffer, UINT size,
                                      UINT language, BOOL fallback);

// Loads string `id` as lclLoadStringW does, through a 1,024-character buffer, into `text`
// (at most 1,023 characters; empty when nothing was found). Returns the characters loaded.
TARNUTIL_API int WINAPI lclLoadString(HINSTANCE module, UINT id, CString& text, UINT language,
                                      BOOL fallback);

// Positional formatting. The arguments are formatted with `argFormat` (wide printf rules, "%s"
// takes a wide string); each conversion's text becomes one numbered piece, starting at 1.
// The template is copied to the output with "%k" (k a number from 1) replaced by piece k and
// every other "%x" replaced by x; a "%" that ends the template is dropped. The output is cut
// at `size` - 1 characters and terminated.
// Returns the output's length; 0 with the output untouched when the output is null or smaller
// than 2, the template or argFormat is null, argFormat is too long (its "%"s count twice, and
// it must stay below 255 characters then), or the formatted arguments exceed 4,095 characters.
//   template "%2 of %1", argFormat "%s%d", ("image", 7)  -> "7 of image"
//   template "100%% sure"                                 -> "100% sure"
//   template "%1" and piece "abcdefgh", size 6            -> "abcde", 5
//   template "%12", with 12 pieces                        -> piece 12 (all digits are read)
//   template "%7", with 3 pieces                          -> "" (an absent piece inserts nothing)
// A piece holds everything up to the next conversion, so literal text in argFormat joins the
// piece before it, and a U+0001 inside an argument's text ends its piece early, shifting the
// numbers of the pieces after it.
TARNUTIL_API int WINAPI lclFormatString(LPWSTR output, UINT size, LPCWSTR templ, LPCWSTR argFormat,
                                        va_list args);

// Positional formatting (above) of the arguments that follow argFormat.
TARNUTIL_API int __cdecl lclFormatString(LPWSTR output, UINT size, LPCWSTR templ, LPCWSTR argFormat,
                                         ...);

// Sends every call with arguments after argFormat to the form above. Without it a first
// argument written as 0, NULL or nullptr would convert to a va_list and pick the argument-list
// form, which would then read through a null list; here it is formatted like any other
// argument. A real va_list still calls the argument-list form, which matches it exactly.
template <typename First, typename... Rest>
inline int lclFormatString(LPWSTR output, UINT size, LPCWSTR templ, LPCWSTR argFormat, First first,
                           Rest... rest) {
    using Variadic = int(__cdecl*)(LPWSTR, UINT, LPCWSTR, LPCWSTR, ...);
    return static_cast<Variadic>(&lclFormatString)(output, size, templ, argFormat, first, rest...);
}

// Positional formatting (above) with template string `templId` of the module, loaded in the
// user-input language with fallback through a 1,024-character buffer; 0 when it is not found.
TARNUTIL_API int __cdecl lclFormatString(LPWSTR output, UINT size, HINSTANCE module, UINT templId,
                                         LPCWSTR argFormat, ...);

// Shows the library's out-of-memory box (OK button, stop icon, no owner window, captioned with
// the program's name) in the user-input language, English when that language has no text.
// Returns when the user has closed the box; blocks only the calling thread.
TARNUTIL_API void WINAPI errOutOfMemMsgBox();

// The resource-library manager of one module. Every module keeps its language-neutral resources
// in itself and its translations in a resource library beside it: the same path with the
// extension ".1fa" (C:\Apps\Viewer.dll -> C:\Apps\Viewer.1fa). The neutral module must export
// `extern "C" DWORD RequiredResourceDllVersion()`, the lowest file version (major in the high
// word, minor in the low word) of a resource library it accepts.
//
// The resource library is loaded on the first lookup that needs it, once per object: a library
// that is missing, cannot be loaded, or is older than the demand (or a neutral module without
// the demand) is not used, and the user sees one warning box; a neutral handle that names no
// loaded module has no library beside it, and nothing is searched for. Lookups then go to the
// executable (a null module handle). An object has no lock: use it from one thread at a time.
// Text buffers of LoadStringW, LDS, LDSN and LoadIDFString are arrays of UTF-16 code units
// typed unsigned short, as the class has always declared them; wchar_t buffers are passed
// with a reinterpret_cast.
class TARNUTIL_API C1fa : public CObject {
public:
    C1fa();
    ~C1fa() override;

    // Remembers the neutral module; loads nothing. Returns 1.
    int Init(HINSTANCE neutralModule);
    // The neutral module given to Init, or null.
    HINSTANCE GetNeutInst() const;
    // The resource library (loaded now if this is the first need), or null.
    HINSTANCE GetLangInst();

    // lclLoadStringW on the resource library: string `id` into the buffer of `size` characters.
    int LoadStringW(UINT id, unsigned short* buffer, UINT size, UINT language, int fallback);
    // lclLoadString on the resource library: string `id` into `text` (at most 1,023 characters).
    int LoadStringW(UINT id, CString& text, UINT language, int fallback);

    // Positional formatting (lclFormatString) into the output. A template below 0x10000 is a
    // string id of the resource library, loaded in the user-input language with fallback into
    // 256 characters; 0 when it is not found (id 0 included), the output then untouched.
    int __cdecl FormatString(LPWSTR output, UINT size, LPCWSTR templ, LPCWSTR argFormat, ...);

    // Dialog `id` of the resource library in the language, with lclLoadDlgTemplate's lookup
    // order when fallback is nonzero; null when none is found.
    DLGTEMPLATE* LoadDlgTemplate(UINT id, UINT language, int fallback);

    // String `id` of the resource library (LDS) or of the neutral module (LDSN) in the
    // user-input language with fallback; empty when not found. The text lives in one 512-
    // character buffer per operation, shared by all objects of the process, and stays valid
    // until the next call of the same operation from any object.
    const unsigned short* LDS(UINT id);
    const unsigned short* LDSN(UINT id);

    // Loads the text of a file-type description into the buffer (emptied first). Kind 0 is a
    // name in a second language: English for a Japanese or Chinese user interface, German for
    // an English one, else the user-input language or, without it, German. Kind 3 is English.
    // Any other kind loads string id + 1 in the user-input language with fallback. Returns 1,
    // found or not; without a buffer (null or size 0) nothing is looked up.
    int LoadIDFString(UINT kind, UINT id, unsigned short* buffer, UINT size);

protected:
    // The resource library's path: the neutral module's path up to its last ".", then ".1fa";
    // empty when the neutral handle names no loaded module.
    CString CalcDllPath();
    // Loads the resource library anew (freeing a loaded one) and checks its version; warns the
    // user when it cannot be used. Returns the new resource library, or null.
    HINSTANCE LoadResourceDLL();
    // Frees a loaded resource library: 1, or 0 when none was loaded. No later lookup reloads it.
    int FreeResourceDLL();
    // The warning box, in German, French or English by the user-input language.
    void CannotLoadResourceDLLWarning(const wchar_t* path);

    HINSTANCE m_hLangInst; // the loaded resource library, or null
    HINSTANCE m_hNeutInst; // the neutral module given to Init
    BOOL m_bTryLoad;       // nonzero until the first need has tried to load the library

private:
    void LoadOnFirstNeed();
};
