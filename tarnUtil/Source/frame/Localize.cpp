// Language-aware resource loading: the user-input language, dialogs, custom resources and
// strings looked up by language with fallback to English, code pages, the out-of-memory box.
#include "tuLocal.h"

#include "common/Boundary.h"
#include "common/LanguageIds.h"
#include "internal/Library.h"
#include "frame/LibraryStrings.h"

#include <BaseKit/App.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace {

using tu::kLangEnglishUS;

// The language of the user interface. Written only by the user-input thread, read by every
// thread without a lock; constant-initialized, so it is English before any code runs.
std::atomic<LANGID> g_userInputLang{kLangEnglishUS};

LANGID ResolveLanguage(UINT language) {
    return language == LCL_USER_INPUT_LANG ? g_userInputLang.load(std::memory_order_relaxed)
                                           : static_cast<LANGID>(language);
}

// A resource found in some language, and the language the lookup settled on
// (0 when the platform chose among the languages present).
struct FoundResource {
    HRSRC resource = nullptr;
    LANGID language = 0;
};

// The lookup order of every language-aware lookup: the language itself; with fallback, then
// English; then whatever the platform picks.
FoundResource FindInLanguageOrder(HMODULE module, LPCWSTR type, LPCWSTR name, LANGID language,
                                  BOOL fallback) {
    if (HRSRC found = ::FindResourceExW(module, type, name, language))
        return {found, language};
    if (!fallback)
        return {};
    if (language != kLangEnglishUS) {
        if (HRSRC found = ::FindResourceExW(module, type, name, kLangEnglishUS))
            return {found, kLangEnglishUS};
    }
    return {::FindResourceW(module, name, type), 0};
}

const void* LockResourceOf(HMODULE module, HRSRC resource) {
    HGLOBAL loaded = resource ? ::LoadResource(module, resource) : nullptr;
    return loaded ? ::LockResource(loaded) : nullptr;
}

// The entry `index` of a locked string block of `bytes` bytes: 16 entries, each a length and
// that many UTF-16 units. Entries that would reach past the block count as absent.
struct StringEntry {
    const wchar_t* text = nullptr;
    UINT length = 0;
};

StringEntry EntryOfBlock(const WORD* block, DWORD bytes, UINT index) {
    const DWORD units = bytes / sizeof(WORD);
    DWORD at = 0;
    for (UINT i = 0; i < index && at < units; ++i)
        at += block[at] + 1u;
    if (at >= units || at + 1u + block[at] > units)
        return {};
    return {reinterpret_cast<const wchar_t*>(block + at + 1), block[at]};
}

int LoadStringOnce(HINSTANCE module, UINT id, LPWSTR buffer, UINT size, LANGID language,
                   BOOL fallback, LANGID* usedLanguage) {
    buffer[0] = L'\0';
    // Ids from 0xFFFF0 on would need a block number that is no integer resource name.
    const UINT blockId = (id >> 4) + 1;
    if (blockId > 0xFFFF)
        return 0;
    FoundResource found =
        FindInLanguageOrder(module, RT_STRING, MAKEINTRESOURCEW(blockId), language, fallback);
    *usedLanguage = found.language;
    const auto* block = static_cast<const WORD*>(LockResourceOf(module, found.resource));
    if (!block)
        return 0;
    StringEntry entry = EntryOfBlock(block, ::SizeofResource(module, found.resource), id & 15);
    const UINT copied = entry.length < size - 1 ? entry.length : size - 1;
    if (copied)
        std::memcpy(buffer, entry.text, copied * sizeof(wchar_t));
    buffer[copied] = L'\0';
    return static_cast<int>(copied);
}

} // namespace

namespace tu::lcl {
LANGID UserInputLanguage() {
    return g_userInputLang.load(std::memory_order_relaxed);
}
} // namespace tu::lcl

WORD WINAPI lclGetUserInputThreadLangID() {
    return tu::lcl::UserInputLanguage();
}

WORD WINAPI lclGetThreadLangID() {
    return LANGIDFROMLCID(::GetThreadLocale());
}

BOOL WINAPI lclSetThreadLangID(WORD langId) {
    if (app::IsUserInputThread())
        g_userInputLang.store(langId, std::memory_order_relaxed);
    return ::SetThreadLocale(MAKELCID(langId, SORT_DEFAULT));
}

HRSRC WINAPI lclFindDlgResource(HMODULE module, LPCWSTR dialog, UINT language, BOOL fallback) {
    return FindInLanguageOrder(module, RT_DIALOG, dialog, ResolveLanguage(language), fallback)
        .resource;
}

DLGTEMPLATE* WINAPI lclLoadDlgTemplate(HMODULE module, UINT dialogId, UINT language,
                                       BOOL fallback) {
    if (dialogId > 0xFFFF)
        return nullptr;
    HRSRC found = lclFindDlgResource(module, MAKEINTRESOURCEW(dialogId), language, fallback);
    return static_cast<DLGTEMPLATE*>(const_cast<void*>(LockResourceOf(module, found)));
}

void* WINAPI lclLoadCustomResource(HMODULE module, UINT id, LPCWSTR type, DWORD* size,
                                   UINT language, BOOL fallback) {
    if (!size || id > 0xFFFF)
        return nullptr;
    HRSRC found =
        FindInLanguageOrder(module, type, MAKEINTRESOURCEW(id), ResolveLanguage(language), fallback)
            .resource;
    const DWORD bytes = found ? ::SizeofResource(module, found) : 0;
    if (!bytes)
        return nullptr;
    *size = bytes;
    const void* data = LockResourceOf(module, found);
    void* copy = data ? std::malloc(bytes) : nullptr;
    if (copy)
        std::memcpy(copy, data, bytes);
    return copy;
}

UINT WINAPI lclGetCPofIdMs(UINT langId) {
    switch (langId) {
    case 1041: // Japanese
        return 932;
    case 2052: // Chinese (PRC)
    case 4100: // Chinese (Singapore)
        return 936;
    default:
        return 1252;
    }
}

int WINAPI lclLoadStringW(HINSTANCE module, UINT id, LPWSTR buffer, UINT size, UINT language,
                          BOOL fallback) {
    if (!buffer || !size) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    LANGID used = 0;
    int copied =
        LoadStringOnce(module, id, buffer, size, ResolveLanguage(language), fallback, &used);
    // A block found in another language may lack the string that the English block holds.
    if (fallback && copied == 0 && used != kLangEnglishUS)
        copied = LoadStringOnce(module, id, buffer, size, kLangEnglishUS, FALSE, &used);
    return copied;
}

int WINAPI lclLoadString(HINSTANCE module, UINT id, LPWSTR buffer, UINT size, UINT language,
                         BOOL fallback) {
    return lclLoadStringW(module, id, buffer, size, language, fallback);
}

int WINAPI lclLoadString(HINSTANCE module, UINT id, CString& text, UINT language, BOOL fallback) {
    wchar_t buffer[1024];
    const int copied = lclLoadStringW(module, id, buffer, std::size(buffer), language, fallback);
    // Without memory for the text the string stays as it was.
    return tu::Guarded(0, [&] {
        text = buffer;
        return copied;
    });
}

void WINAPI errOutOfMemMsgBox() {
    // The box is shown when memory is short: its text lives on the stack, not on the heap.
    wchar_t text[1024];
    lclLoadStringW(tu::frame::LibraryInstance(), IDS_OUT_OF_MEMORY, text, 1024, LCL_USER_INPUT_LANG,
                   TRUE);
    ::MessageBoxW(nullptr, text, tu::frame::ExeName(), MB_OK | MB_ICONSTOP);
}
