// Helpers of the file-system functions: working copies of caller paths in fixed buffers of
// MAX_PATH characters, and attribute reads without the missing-disk dialog.
#pragma once

#include "common/WindowsSupport.h"

#include <cstddef>

namespace tu::os {

// Copies a path of up to MAX_PATH - 1 characters; false (buffer untouched) for a null or
// longer path, which the callers refuse rather than act on a cut name.
bool CopyPath(wchar_t (&buffer)[MAX_PATH], const wchar_t* path);

// Copies at most size - 1 characters of a non-null path and terminates the copy.
void CopyPathCut(wchar_t* buffer, size_t size, const wchar_t* path);

// The attributes of a path (GetFileAttributesW) read without the system's missing-disk dialog;
// no device-name guard.
DWORD QuietAttributes(const wchar_t* path);

// How far reading a file's version information got: nothing readable, no memory for it, read
// but without a root block, read with an empty root block, or read with its fixed version.
enum class VersionRead { None, OutOfMemory, NoRootBlock, EmptyRootBlock, Fixed };

// Reads the version information of the file at the path (the platform searches for a bare
// name); `fixed` is filled only when the result is Fixed. Shows no message: each caller decides
// what a failure means to its user.
VersionRead ReadFileVersion(const wchar_t* path, VS_FIXEDFILEINFO& fixed);

} // namespace tu::os
