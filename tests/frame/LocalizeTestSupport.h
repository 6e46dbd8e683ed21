// Helpers of the localization tests: 0xcc-filled output buffers and a scoped user-input
// language.
#pragma once

#include "tuLocal.h"

#include "TestSupport.h"

#include <string>

namespace tutest {

// An output buffer of 0xcccc, to catch writes past the end and missing terminators.
struct FilledBuffer : std::wstring {
    explicit FilledBuffer(size_t size) : std::wstring(size, static_cast<wchar_t>(0xcccc)) {}
    wchar_t* Data() { return &(*this)[0]; }
    bool UntouchedFrom(size_t index) const {
        return find_first_not_of(static_cast<wchar_t>(0xcccc), index) == npos;
    }
};

// The module with strings, dialogs and data in several languages, loaded once.
inline HMODULE LocalizedModule() {
    static HMODULE module = ::LoadLibraryW((BinDir() + L"\\lclStrings.dll").c_str());
    return module;
}

// Sets the user-input language from the user-input thread for its lifetime, then puts the
// language and the thread's locale back.
struct UserInputLanguage {
    explicit UserInputLanguage(WORD language) { lclSetThreadLangID(language); }
    ~UserInputLanguage() {
        lclSetThreadLangID(m_previous);
        ::SetThreadLocale(m_locale);
    }
    WORD m_previous = lclGetUserInputThreadLangID();
    LCID m_locale = ::GetThreadLocale();
};

} // namespace tutest
