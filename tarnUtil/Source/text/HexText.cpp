// The hex form of a memory block: two upper-case digits per byte, and back, through the widest
// vector steps the processor offers (found once).
#include "tuText.h"

#include "common/Boundary.h"
#include "text/HexSteps.h"

#include <climits>

bool WINAPI strMem2Hex(const void* block, unsigned int size, CString& result) {
    if (!block || size == 0 || size > INT_MAX / 2)
        return false;
    wchar_t* out = tu::Guarded(static_cast<wchar_t*>(nullptr),
                               [&] { return result.GetBuffer(static_cast<int>(2 * size)); });
    if (!out)
        return false;
    tu::text::EncodeHex(static_cast<const unsigned char*>(block), size, out,
                        tu::text::HostHexVectors());
    result.ReleaseBuffer(static_cast<int>(2 * size));
    return true;
}

unsigned int WINAPI strHex2Mem(const wchar_t* text, void* output, unsigned int size) {
    if (!text || !*text || !output || size == 0)
        return 0;
    return tu::text::DecodeHex(text, static_cast<unsigned char*>(output), size,
                               tu::text::HostHexVectors());
}
