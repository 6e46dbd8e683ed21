// Helper of the localization tests: a scoped user-input language.
#pragma once

#include "tuLocal.h"

namespace tutest {

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
