// The executable's long path and folder, shared by the data folders, the default INI names and
// the event-log front.
#pragma once

#include "common/WindowsSupport.h"

namespace tu::settings {

// The executable's full long path (empty if it cannot be had), found on first use and kept:
// it cannot change while the process runs, and finding it reads every folder on the way.
const wchar_t* ExecutableLongPath();

// The executable's full long path cut at its last backslash (MAX_PATH characters); empty when
// the path has no folder.
void ExecutableFolder(wchar_t* folder);

} // namespace tu::settings
