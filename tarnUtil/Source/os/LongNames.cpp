// Long names: the process-wide lookup of GetLongPathNameW, the conversion of paths into their
// long-name form, and the module path in that form.
#include "tuFileSys.h"

#include "common/Boundary.h"
#include "common/LateBound.h"
#include "os/LongNames.h"

#include <cwchar>

namespace {

using GetLongPathNameFn = DWORD(WINAPI*)(LPCWSTR, LPWSTR, DWORD);

// Where kernel32's GetLongPathNameW is, remembered from the first conversion on.
tu::LateBound<GetLongPathNameFn> g_longNames;

GetLongPathNameFn SystemConversion() {
    return g_longNames.Get(L"kernel32.dll", "GetLongPathNameW");
}

} // namespace

namespace tu::os {

DWORD ConvertToLongName(wchar_t* path, DWORD size) {
    GetLongPathNameFn getLongPathName = SystemConversion();
    if (!getLongPathName)
        return ConvertToLongNameByHand(path, size);
    // A long path that does not fit leaves the buffer as it was and counts as a failure, so a
    // nonzero answer always means the buffer holds the long name.
    DWORD length = getLongPathName(path, path, size);
    return length < size ? length : 0;
}

} // namespace tu::os

DWORD WINAPI osCvtToLongFileName(LPWSTR path, DWORD size) {
    if (size == 0 || !path || !path[0] || !osFullPath(path, path, size))
        return 0;
    return tu::Guarded(DWORD{0}, [&] { return tu::os::ConvertToLongName(path, size); });
}

DWORD WINAPI osGetModuleFileName(HMODULE module, LPWSTR buffer, DWORD size) {
    if (!buffer || size == 0)
        return 0;
    DWORD length = ::GetModuleFileNameW(module, buffer, size);
    // Older systems leave a cut module path without its terminator, and a failed call may
    // leave the buffer as it was: the caller gets a terminated text either way.
    buffer[length == 0 ? 0 : size - 1] = L'\0';
    if (length != 0 && buffer[0] && osFullPath(buffer, buffer, size))
        tu::os::ConvertToLongName(buffer, size);
    return length;
}
