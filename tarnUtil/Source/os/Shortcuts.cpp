// Shell shortcut files: creating one through the shell's link object, and resolving one through
// the class library.
#include "os/OsSupport.h"
#include "tuFileSys.h"

#include <afxwin.h>

#include <objbase.h>
#include <shlobj.h>

BOOL WINAPI osCreateShortcut(LPCWSTR target, LPCWSTR linkFile, LPCWSTR description) {
    // A link file name that does not fit is refused: a cut name would write another file.
    wchar_t name[MAX_PATH];
    if (!target || !tu::os::CopyPath(name, linkFile))
        return FALSE;
    tu::UniqueCom<IShellLinkW> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(link.put()))))
        return FALSE;
    link->SetPath(target);
    link->SetDescription(description ? description : L"");
    tu::UniqueCom<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.put()))))
        return FALSE;
    return SUCCEEDED(file->Save(name, TRUE));
}

BOOL WINAPI osResolveShortcut(HWND owner, LPCWSTR linkFile, LPWSTR path, int size) {
    return AfxResolveShortcut(CWnd::FromHandle(owner), linkFile, path, size);
}
