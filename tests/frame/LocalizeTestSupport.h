// Helpers of the localization tests: 0xcc-filled output buffers and a scoped user-input
// language.
#pragma once

#include "tuLocal.h"

#include <algorithm>
#include <vector>

namespace tutest {

// An output buffer filled with 0xcccc, to catch writes past the end and missing terminators.
class FilledBuffer {
public:
    explicit FilledBuffer(size_t size) : m_chars(size, static_cast<wchar_t>(0xcccc)) {}
    wchar_t* Data() { return m_chars.data(); }
    // True when no character from `index` on was written.
    bool UntouchedFrom(size_t index) const {
        return std::all_of(m_chars.begin() + std::min(index, m_chars.size()), m_chars.end(),
                           [](wchar_t c) { return c == static_cast<wchar_t>(0xcccc); });
    }

private:
    std::vector<wchar_t> m_chars;
};

// Sets the user-input language from the user-input thread for its lifetime, then puts the
// language and the thread's locale back.
class UserInputLanguage {
public:
    explicit UserInputLanguage(WORD language)
        : m_previous(lclGetUserInputThreadLangID()), m_locale(::GetThreadLocale()) {
        lclSetThreadLangID(language);
    }
    ~UserInputLanguage() {
        lclSetThreadLangID(m_previous);
        ::SetThreadLocale(m_locale);
    }
    UserInputLanguage(const UserInputLanguage&) = delete;
    UserInputLanguage& operator=(const UserInputLanguage&) = delete;

private:
    WORD m_previous;
    LCID m_locale;
};

} // namespace tutest
