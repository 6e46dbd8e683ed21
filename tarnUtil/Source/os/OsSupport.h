// Helpers of the file-system functions: working copies of caller paths in fixed buffers of
// MAX_PATH characters, and attribute reads without the missing-disk dialog. Reading a file's
// version is in internal/FileVersion.h, shared with the resource-library manager.
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

} // namespace tu::os
