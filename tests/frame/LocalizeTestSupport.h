// Helper of the localization tests: a scoped user-input language.
#pragma once

#include "tuLocal.h"

namespace tutest {

// Sets the user-input language for its lifetime, then puts it and the thread's locale back.
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
