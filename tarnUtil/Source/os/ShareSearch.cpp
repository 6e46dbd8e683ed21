// Conversion of a local path into the network path by which other computers reach it: through
// the provider of a mapped drive, or through the closest disk share of this computer.
#include "os/NetPlatform.h"
#include "tuFileSys.h"

#include <winnetwk.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace tu::os {
namespace {

// The drive ("C:") and a directory of up to 255 characters: the most the splitter's parts hold.
constexpr int kMaxWorkLength = 2 + _MAX_DIR - 1;

// A path whose last component has an extension names a file; any other names a directory.
bool IsFilePath(const CString& path) {
    const int dot = path.ReverseFind(L'.');
    return dot >= 0 && path.Find(L'\\', dot) < 0;
}

std::wstring Lower(std::wstring text) {
    ::CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

struct PathParts {
    wchar_t drive[_MAX_DRIVE];
    wchar_t dir[_MAX_DIR];
    wchar_t name[_MAX_FNAME];
    wchar_t ext[_MAX_EXT];
};

// The share whose folder holds the path most closely; the first of equal length wins.
struct BestShare {
    size_t length = 0;
    std::wstring name;

    void Consider(const SHARE_INFO_502& share, const std::wstring& lowerFolder) {
        if (share.shi502_type != STYPE_DISKTREE || !share.shi502_path || !share.shi502_netname)
            return;
        const std::wstring folder = Lower(osAppendBackslashStr(share.shi502_path).GetString());
        if (folder.size() > length && lowerFolder.compare(0, folder.size(), folder) == 0) {
            length = folder.size();
            name = share.shi502_netname;
        }
    }
};

// Searches every portion of the share list until it ends or the enumeration fails; a match of
// the portions read before a failure stands.
BestShare SearchShares(const std::wstring& folder, const NetPlatform& platform) {
    const std::wstring lowerFolder = Lower(folder);
    BestShare best;
    DWORD resume = 0;
    NET_API_STATUS status;
    do {
        LPBYTE buffer = nullptr;
        DWORD read = 0, total = 0;
        status =
            platform.shareEnum(nullptr, 502, &buffer, MAX_PREFERRED_LENGTH, &read, &total, &resume);
        // Freed through the table also when a comparison runs out of memory.
        const std::unique_ptr<BYTE, decltype(platform.bufferFree)> owned(buffer,
                                                                         platform.bufferFree);
        if ((status == NERR_Success || status == ERROR_MORE_DATA) && buffer) {
            const auto* shares = reinterpret_cast<const SHARE_INFO_502*>(buffer);
            for (DWORD i = 0; i < read; ++i)
                best.Consider(shares[i], lowerFolder);
        }
    } while (status == ERROR_MORE_DATA);
    return best;
}

// The path through the share: \\computer\share followed by the folder's rest and the file.
bool ThroughLocalShare(const std::wstring& folder, const PathParts& parts,
                       const NetPlatform& platform, CString& unc) {
    const BestShare best = SearchShares(folder, platform);
    if (best.length == 0)
        return false;
    wchar_t computer[MAX_COMPUTERNAME_LENGTH + 1] = L"";
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    if (!platform.computerName(computer, &size))
        return false;
    const std::wstring tail = folder.substr(best.length - 1);
    const CString file = CString(parts.name) + parts.ext;
    const CString shared = osCreatePath(osCreatePath(best.name.c_str(), tail.c_str()), file);
    unc = osCreatePath(CString(L"\\\\") + computer, shared);
    return true;
}

// The path through the network provider's name for a mapped drive.
bool ThroughMappedDrive(const std::wstring& root, const PathParts& parts,
                        const NetPlatform& platform, CString& unc) {
    alignas(REMOTE_NAME_INFOW) BYTE buffer[260] = {};
    DWORD size = sizeof buffer;
    if (platform.universalName(root.c_str(), REMOTE_NAME_INFO_LEVEL, buffer, &size) != NO_ERROR)
        return false;
    const auto* remote = reinterpret_cast<const REMOTE_NAME_INFOW*>(buffer);
    if (!remote->lpUniversalName)
        return false;
    unc = osCreatePath(remote->lpUniversalName, parts.dir) + parts.name + parts.ext;
    return true;
}

} // namespace

BOOL CvtToUNCPath(const CString& path, CString& unc, const NetPlatform& platform) {
    unc.Empty();
    const CString work = IsFilePath(path) ? path : osAppendBackslashStr(path);
    if (osIsUNCPath(work)) {
        unc = path;
        return TRUE;
    }
    // Longer paths would not fit the splitter's parts; they are refused, never cut.
    if (work.GetLength() > kMaxWorkLength || work.GetLength() < 2 || work[1] != L':')
        return FALSE;
    PathParts parts;
    _wsplitpath(work, parts.drive, parts.dir, parts.name, parts.ext);
    const std::wstring root = std::wstring(parts.drive) + L"\\";
    bool made =
        platform.driveType(root.c_str()) == DRIVE_REMOTE
            ? ThroughMappedDrive(root, parts, platform, unc)
            : ThroughLocalShare(std::wstring(parts.drive) + parts.dir, parts, platform, unc);
    if (!made)
        unc.Empty();
    return !unc.IsEmpty();
}

} // namespace tu::os
