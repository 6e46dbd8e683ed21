// Conversion of 8.3 short path components into long names, for the path functions and the
// other subsystems that report paths in their long form.
#pragma once

#include "common/WindowsSupport.h"

namespace tu::os {

// Converts a full path in place into its long-name form within size characters, through the
// system's GetLongPathNameW when kernel32 has it (looked up once per process), else by hand.
// Nonzero on success (see osCvtToLongFileName); on failure the buffer keeps its text.
DWORD ConvertToLongName(wchar_t* path, DWORD size);

// The conversion by hand for systems without GetLongPathNameW: each component holding a tilde
// is replaced by the shell's display name for it. TRUE on success; the buffer is changed only
// then. Fails for paths of MAX_PATH or more characters, relative paths with a tilde, components
// outside the file system, and results that do not fit in size characters.
BOOL ConvertToLongNameByHand(wchar_t* path, DWORD size);

} // namespace tu::os
