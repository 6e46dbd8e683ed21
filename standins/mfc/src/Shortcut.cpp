// AfxResolveShortcut: a shell shortcut's target through the shell's link object.
#include "afxwin.h"

#include <objbase.h>
#include <shlobj.h>

#include <cwchar>
#include <memory>

namespace {
struct Release {
    void operator()(IUnknown* object) const { object->Release(); }
};
template <class Interface> using ComPtr = std::unique_ptr<Interface, Release>;

// The shortcut's target into `target` (MAX_PATH characters); false when it cannot be read.
bool ReadTarget(CWnd* wnd, const wchar_t* linkFile, wchar_t* target) {
    IShellLinkW* rawLink = nullptr;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&rawLink))))
        return false;
    ComPtr<IShellLinkW> link(rawLink);
    IPersistFile* rawFile = nullptr;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&rawFile))))
        return false;
    ComPtr<IPersistFile> file(rawFile);
    const HWND owner = wnd ? wnd->GetSafeHwnd() : nullptr;
    const DWORD flags = owner ? SLR_ANY_MATCH : SLR_ANY_MATCH | SLR_NO_UI;
    return SUCCEEDED(file->Load(linkFile, STGM_READ)) && SUCCEEDED(link->Resolve(owner, flags)) &&
           link->GetPath(target, MAX_PATH, nullptr, 0) == S_OK;
}
} // namespace

BOOL AfxResolveShortcut(CWnd* wnd, const wchar_t* linkFile, wchar_t* path, int size) {
    if (!path || size <= 0)
        return FALSE;
    path[0] = L'\0';
    wchar_t target[MAX_PATH] = L"";
    // The link object cuts a long target to the buffer it is given; one that does not fit the
    // caller's buffer is refused instead.
    if (!linkFile || !ReadTarget(wnd, linkFile, target) || wcslen(target) >= size_t(size))
        return FALSE;
    wcscpy(path, target);
    return TRUE;
}
