// The exported network-path conversion, on the system's own share list, drive types, network
// provider and computer name.
#include "common/Boundary.h"
#include "os/NetPlatform.h"
#include "tuFileSys.h"

#include <winnetwk.h>

namespace {
const tu::os::NetPlatform kSystem = {&::NetShareEnum, &::NetApiBufferFree, &::GetDriveTypeW,
                                     &::WNetGetUniversalNameW, &::GetComputerNameW};
} // namespace

BOOL WINAPI osCvtToUNCPath(const CString& path, CString& unc) {
    return tu::Guarded(FALSE, [&] { return tu::os::CvtToUNCPath(path, unc, kSystem); });
}
