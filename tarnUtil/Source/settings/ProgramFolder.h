// The executable's folder, shared by the data folders and the event-log front.
#pragma once

#include "common/WindowsSupport.h"

namespace tu::settings {

// The executable's full long path cut at its last backslash (MAX_PATH characters); empty when
// the path has no folder.
void ExecutableFolder(wchar_t* folder);

} // namespace tu::settings
