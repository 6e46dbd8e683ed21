// The language ids the library's sources name: English (United States), the language every
// lookup falls back to, and German, which the library's own texts choose between. The selector
// of the user-input language is LCL_USER_INPUT_LANG in tuLocal.h.
#pragma once

#include <windows.h>

namespace tu {

inline constexpr LANGID kLangEnglishUS = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US); // 1033
inline constexpr LANGID kLangGerman = MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN);         // 1031

} // namespace tu
