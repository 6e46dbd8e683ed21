// The resource-library manager: a module's translated resources in a ".1fa" library beside it,
// loaded on first need, accepted only at the version the module demands, and served through
// the language-aware lookups.
#include "tuFileSys.h"
#include "tuLocal.h"

#include "common/Boundary.h"
#include "common/LanguageIds.h"
#include "common/WindowsSupport.h"
#include "internal/Library.h"
#include "internal/FileVersion.h"

#include <cwchar>
#include <iterator>
#include <utility>

namespace {

constexpr UINT kSharedTextSize = 512;
constexpr UINT kTemplateSize = 256;

// The texts handed out by LDS and LDSN, shared by every object of the process. Unlocked: each
// call overwrites its buffer, so a text stays valid only until the next call of its operation.
struct SharedTexts {
    unsigned short lds[kSharedTextSize] = {};
    unsigned short ldsn[kSharedTextSize] = {};
};
SharedTexts g_texts;

// The neutral module's demand: the lowest file version (major high, minor low) it accepts.
using RequiredVersionFn = DWORD (*)();

LPWSTR AsWide(unsigned short* text) {
    return reinterpret_cast<LPWSTR>(text);
}

// True when the library at the path is at least the version that the neutral module demands;
// a module without a demand accepts no library.
bool MeetsDemand(HMODULE neutral, const wchar_t* path) {
    auto demand = reinterpret_cast<RequiredVersionFn>(
        reinterpret_cast<void*>(::GetProcAddress(neutral, "RequiredResourceDllVersion")));
    if (!demand)
        return false;
    const DWORD required = demand();
    VS_FIXEDFILEINFO fixed;
    return tu::os::ReadFileVersion(path, fixed) == tu::os::VersionRead::Fixed &&
           fixed.dwFileVersionMS >= required;
}

// The library at the path, loaded, when it meets the neutral module's demand; null (and nothing
// left loaded) otherwise.
HMODULE LoadIfDemandMet(HMODULE neutral, const wchar_t* path) {
    tu::UniqueModule library(::LoadLibraryW(path));
    return library && MeetsDemand(neutral, path) ? library.release() : nullptr;
}

// The warning's template for the user-input language; the primary language decides.
const wchar_t* WarningTemplate() {
    switch (PRIMARYLANGID(lclGetUserInputThreadLangID())) {
    case LANG_GERMAN:
        return L"Die Resource-DLL '%1' kann nicht geladen werden.";
    case LANG_FRENCH:
        return L"La DLL '%1' ne peut pas être chargé.";
    default:
        return L"Cannot load resource library '%1'.";
    }
}

} // namespace

C1fa::C1fa() : m_hLangInst(nullptr), m_hNeutInst(nullptr), m_bTryLoad(TRUE) {}

C1fa::~C1fa() {
    FreeResourceDLL();
}

int C1fa::Init(HINSTANCE neutralModule) {
    m_hNeutInst = neutralModule;
    return 1;
}

HINSTANCE C1fa::GetNeutInst() const {
    return m_hNeutInst;
}

HINSTANCE C1fa::GetLangInst() {
    LoadOnFirstNeed();
    return m_hLangInst;
}

void C1fa::LoadOnFirstNeed() {
    if (!m_hLangInst && m_bTryLoad) {
        m_bTryLoad = FALSE;
        LoadResourceDLL();
    }
}

CString C1fa::CalcDllPath() {
    wchar_t path[MAX_PATH] = L"";
    // A handle that names no loaded module has no path: a bare ".1fa" would send LoadLibraryW
    // searching the DLL path for whatever file carries that name.
    if (!osGetModuleFileName(m_hNeutInst, path, std::size(path)))
        return CString();
    if (wchar_t* lastDot = wcsrchr(path, L'.'))
        *lastDot = L'\0';
    return tu::Guarded(CString(), [&] { return CString(path) + L".1fa"; });
}

HINSTANCE C1fa::LoadResourceDLL() {
    if (!m_hNeutInst)
        return nullptr;
    FreeResourceDLL();
    return tu::Guarded(static_cast<HINSTANCE>(nullptr), [&] {
        const CString path = CalcDllPath();
        m_hLangInst = path.IsEmpty() ? nullptr : LoadIfDemandMet(m_hNeutInst, path);
        if (!m_hLangInst)
            CannotLoadResourceDLLWarning(path);
        return m_hLangInst;
    });
}

int C1fa::FreeResourceDLL() {
    if (!m_hLangInst)
        return 0;
    tu::UniqueModule released(std::exchange(m_hLangInst, nullptr));
    return 1;
}

void C1fa::CannotLoadResourceDLLWarning(const wchar_t* path) {
    wchar_t templ[kTemplateSize] = L"";
    wcsncat(templ, WarningTemplate(), std::size(templ) - 1);
    wchar_t text[kTemplateSize] = L"";
    lclFormatString(text, std::size(text), templ, L"%s", path ? path : L"");
    ::MessageBoxW(nullptr, text, tu::frame::ExeName(), MB_OK | MB_ICONEXCLAMATION);
}

int C1fa::LoadStringW(UINT id, unsigned short* buffer, UINT size, UINT language, int fallback) {
    LoadOnFirstNeed();
    return lclLoadStringW(m_hLangInst, id, AsWide(buffer), size, language, fallback);
}

int C1fa::LoadStringW(UINT id, CString& text, UINT language, int fallback) {
    LoadOnFirstNeed();
    return lclLoadString(m_hLangInst, id, text, language, fallback);
}

int __cdecl C1fa::FormatString(LPWSTR output, UINT size, LPCWSTR templ, LPCWSTR argFormat, ...) {
    wchar_t loaded[kTemplateSize];
    if (IS_INTRESOURCE(templ)) {
        LoadOnFirstNeed();
        const UINT id = LOWORD(reinterpret_cast<ULONG_PTR>(templ));
        if (!id ||
            !lclLoadStringW(m_hLangInst, id, loaded, std::size(loaded), LCL_USER_INPUT_LANG, TRUE))
            return 0;
        templ = loaded;
    }
    va_list args;
    va_start(args, argFormat);
    const int length = lclFormatString(output, size, templ, argFormat, args);
    va_end(args);
    return length;
}

DLGTEMPLATE* C1fa::LoadDlgTemplate(UINT id, UINT language, int fallback) {
    LoadOnFirstNeed();
    return lclLoadDlgTemplate(m_hLangInst, id, language, fallback);
}

const unsigned short* C1fa::LDS(UINT id) {
    LoadOnFirstNeed();
    lclLoadStringW(m_hLangInst, id, AsWide(g_texts.lds), std::size(g_texts.lds),
                   LCL_USER_INPUT_LANG, TRUE);
    return g_texts.lds;
}

const unsigned short* C1fa::LDSN(UINT id) {
    lclLoadStringW(m_hNeutInst, id, AsWide(g_texts.ldsn), std::size(g_texts.ldsn),
                   LCL_USER_INPUT_LANG, TRUE);
    return g_texts.ldsn;
}

int C1fa::LoadIDFString(UINT kind, UINT id, unsigned short* buffer, UINT size) {
    if (buffer && size)
        buffer[0] = 0;
    LoadOnFirstNeed();
    if (!buffer || !size)
        return 1;
    const LANGID language = lclGetUserInputThreadLangID();
    auto load = [&](UINT stringId, UINT lookupLanguage, BOOL fallback) {
        return lclLoadStringW(m_hLangInst, stringId, AsWide(buffer), size, lookupLanguage,
                              fallback);
    };
    if (kind == 0) {
        switch (PRIMARYLANGID(language)) {
        case LANG_JAPANESE:
        case LANG_CHINESE:
            load(id, tu::kLangEnglishUS, FALSE);
            break;
        case LANG_ENGLISH:
            load(id, tu::kLangGerman, FALSE);
            break;
        default:
            if (!load(id, language, FALSE))
                load(id, tu::kLangGerman, FALSE);
        }
    } else if (kind == 3) {
        load(id, tu::kLangEnglishUS, FALSE);
    } else {
        load(id + 1, language, TRUE);
    }
    return 1;
}
