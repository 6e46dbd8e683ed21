// Library-wide values recorded when the process attached the library, and the executable's name.
#pragma once

#include "common/WindowsSupport.h"

namespace tu::frame {

// The thread on which the process attached the library.
DWORD LoaderThreadId();
// The library's own module handle (its string table, the shadow window class).
HINSTANCE LibraryInstance();
// The base name of the process's executable, without folder and extension; the library's
// text, valid as long as the process.
const wchar_t* ExeName();

} // namespace tu::frame
