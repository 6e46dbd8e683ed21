// Settings and program environment.
#pragma once

#include "tuExport.h"

#include <windows.h>

// The thread on which the process loaded the library: the program's user-input thread
// when the program loads the library from its main thread.
TARNUTIL_API DWORD WINAPI ssnGetUserInputThreadID();
