// Reading a file's version information, shared by the os version functions and the
// resource-library manager's version check.
#pragma once

#include "common/WindowsSupport.h"

namespace tu::os {

// How far reading a file's version information got: nothing readable, no memory for it, read
// but without a root block, read with an empty root block, or read with its fixed version.
enum class VersionRead { None, OutOfMemory, NoRootBlock, EmptyRootBlock, Fixed };

// Reads the version information of the file at the path (the platform searches for a bare
// name); `fixed` is filled only when the result is Fixed. Shows no message: each caller decides
// what a failure means to its user.
VersionRead ReadFileVersion(const wchar_t* path, VS_FIXEDFILEINFO& fixed);

} // namespace tu::os
