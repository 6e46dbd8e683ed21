// Live GDI objects of the test process, for the checks that many calls leave none behind.
#pragma once

#include <windows.h>

// Wine answers GetGuiResources with 0: there every handle index is asked for its object.
inline DWORD GdiObjectCount() {
    if (DWORD count = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS))
        return count;
    DWORD count = 0;
    for (UINT_PTR index = 1; index < 0x10000; ++index)
        count += ::GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0;
    return count;
}
