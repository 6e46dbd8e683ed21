// Library-wide values recorded when the process attached the library.
#pragma once

#include "common/WindowsSupport.h"

namespace tu::frame {

// The thread on which the process attached the library.
DWORD LoaderThreadId();
// The library's own module handle (its string table, the shadow window class).
HINSTANCE LibraryInstance();

} // namespace tu::frame
