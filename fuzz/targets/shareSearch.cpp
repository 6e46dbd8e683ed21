// The network-path conversion through its table of platform calls, with an arbitrary path,
// drive type, provider name and share list (in portions, with statuses): the result agrees with
// a model of the closest share, every portion handed out is released, and the enumeration
// stops at the first status that is neither success nor "more data". Texts end at an
// inaccessible page.
#include "FuzzSupport.h"

#include "ScriptedNetPlatform.h"

#include <winnetwk.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using scriptednet::g_script;
using scriptednet::kScripted;
using scriptednet::Portion;
using scriptednet::Script;

std::wstring Lower(std::wstring text) {
    ::CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

bool EndsWithBackslash(const std::wstring& text) {
    return !text.empty() && text.back() == L'\\';
}

std::wstring Joined(const std::wstring& directory, const std::wstring& name) {
    if (!name.empty() && name[0] == L'\\')
        return directory + (EndsWithBackslash(directory) ? name.substr(1) : name);
    return directory + (EndsWithBackslash(directory) ? L"" : L"\\") + name;
}

std::wstring WithBackslash(const std::wstring& text) {
    return text.empty() || EndsWithBackslash(text) ? text : text + L"\\";
}

// The conversion as the model sees it, empty when there is none; `searched` tells whether the
// computer's shares were asked for.
std::wstring Expected(const std::wstring& path, bool& searched) {
    searched = false;
    const size_t dot = path.rfind(L'.');
    const bool isFile = dot != std::wstring::npos && path.find(L'\\', dot) == std::wstring::npos;
    const std::wstring work = isFile ? path : WithBackslash(path);
    if (work.size() >= 2 && work[0] == L'\\' && work[1] == L'\\')
        return path;
    if (work.size() > 2 + _MAX_DIR - 1 || work.size() < 2 || work[1] != L':')
        return L"";
    wchar_t drive[_MAX_DRIVE], dir[_MAX_DIR], name[_MAX_FNAME], ext[_MAX_EXT];
    _wsplitpath(work.c_str(), drive, dir, name, ext);
    if (g_script.driveType == DRIVE_REMOTE)
        return g_script.remoteName ? Joined(g_script.remoteName, dir) + name + ext : L"";
    searched = true;
    const std::wstring folder = std::wstring(drive) + dir;
    const std::wstring lowerFolder = Lower(folder);
    size_t bestLength = 0;
    std::wstring bestName;
    for (const Portion& portion : g_script.portions) {
        const bool read = portion.status == NERR_Success || portion.status == ERROR_MORE_DATA;
        for (const SHARE_INFO_502& share : read ? portion.shares : std::vector<SHARE_INFO_502>{}) {
            if (share.shi502_type != STYPE_DISKTREE)
                continue;
            const std::wstring shareFolder = Lower(WithBackslash(share.shi502_path));
            if (shareFolder.size() > bestLength && lowerFolder.find(shareFolder) == 0) {
                bestLength = shareFolder.size();
                bestName = share.shi502_netname;
            }
        }
        if (portion.status != ERROR_MORE_DATA)
            break;
    }
    if (bestLength == 0)
        return L"";
    const std::wstring shared =
        Joined(Joined(bestName, folder.substr(bestLength - 1)), std::wstring(name) + ext);
    return Joined(L"\\\\LAB7", shared);
}

// How many portions the conversion asks for: up to the first that is not "more data".
size_t PortionsAsked() {
    size_t asked = 0;
    for (const Portion& portion : g_script.portions) {
        ++asked;
        if (portion.status != ERROR_MORE_DATA)
            break;
    }
    return asked;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tufuzz::Reader reader(data, size);
    const std::wstring path = reader.Text();
    const std::uint8_t drive = reader.Byte();
    // The texts stay where the scripted calls hand them out, each ending at a guard page.
    std::vector<std::unique_ptr<tufuzz::GuardedText>> texts;
    auto keep = [&texts](const std::wstring& text) {
        texts.push_back(std::make_unique<tufuzz::GuardedText>(text));
        return texts.back()->data();
    };
    g_script = Script();
    g_script.driveType = drive & 1 ? DRIVE_REMOTE : drive & 2 ? DRIVE_CDROM : DRIVE_FIXED;
    const std::wstring remote = reader.Text();
    g_script.remoteName = drive & 4 ? keep(remote) : nullptr;
    while (!reader.Empty() && g_script.portions.size() < 8) {
        const std::uint8_t status = reader.Byte();
        Portion portion{{},
                        status % 4 == 0   ? NET_API_STATUS(ERROR_MORE_DATA)
                        : status % 4 == 1 ? NET_API_STATUS(NERR_Success)
                                          : NET_API_STATUS(ERROR_NOT_SUPPORTED)};
        for (int shares = reader.Byte() % 6; shares > 0 && !reader.Empty(); --shares) {
            SHARE_INFO_502 share = {};
            share.shi502_type = reader.Byte() % 3 == 0 ? STYPE_SPECIAL : STYPE_DISKTREE;
            share.shi502_netname = keep(reader.Text());
            share.shi502_path = keep(reader.Text());
            portion.shares.push_back(share);
        }
        g_script.portions.push_back(std::move(portion));
    }
    if (g_script.portions.empty() || g_script.portions.back().status == ERROR_MORE_DATA)
        g_script.portions.push_back({{}, NERR_Success});

    bool searched;
    const std::wstring expected = Expected(path, searched);
    CString unc(L"stale");
    const tufuzz::GuardedText placed(path);
    const BOOL converted = tu::os::CvtToUNCPath(placed.data(), unc, kScripted);
    FUZZ_CHECK(!!converted == !expected.empty());
    FUZZ_CHECK(std::wstring(unc.GetString()) == expected);
    FUZZ_CHECK(g_script.held == 0);
    FUZZ_CHECK(g_script.next == (searched ? PortionsAsked() : 0));
    return 0;
}
