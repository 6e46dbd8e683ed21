// Class-library window subset: CWnd with message routing, and extension-module registration.
#pragma once

#include "afx.h"
#include "afxwinthread.h"
#include "atltypes.h"

// A window object: its window's messages reach the virtual OnWndMsg, in the window's thread.
// The object is attached while CreateEx runs (so creation messages arrive too) and detached
// when the window is destroyed; destroying the object first destroys its window.
class CWnd : public CObject {
public:
    CWnd() = default;
    ~CWnd() override;

    BOOL CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* windowName, DWORD style,
                  int x, int y, int width, int height, HWND parent, HMENU idOrMenu,
                  LPVOID param = nullptr);
    virtual BOOL DestroyWindow();

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return GetSafeHwnd(); }
    // The object attached to a window, or null when the window has none.
    static CWnd* FromHandlePermanent(HWND window);

    HWND m_hWnd = nullptr;

protected:
    // Handles one message; FALSE hands it on to DefWindowProc. This base handles nothing.
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The window procedure that the window had before the object attached to it.
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual void PostNcDestroy() {}

private:
    friend struct WndRouting;
    WNDPROC m_pfnSuper = nullptr;
};

struct COleObjectFactory;

// The record with which an extension library registers at the class library.
struct AFX_EXTENSION_MODULE {
    BOOL bInitialized;
    HMODULE hModule;
    HMODULE hResource;
    CRuntimeClass* pFirstSharedClass;
    COleObjectFactory* pFirstSharedFactory;
};

// Fills the record for the module; TRUE once it is initialized.
BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HMODULE module);
// Deletes the library objects made for the record's module (all of them with all = TRUE).
void AfxTermExtensionModule(AFX_EXTENSION_MODULE& state, BOOL all = FALSE);

// One extension library in the class library's chain of resource modules.
class CDynLinkLibrary : public CObject {
public:
    explicit CDynLinkLibrary(AFX_EXTENSION_MODULE& state, BOOL system = FALSE);
    ~CDynLinkLibrary() override;

    HMODULE m_hModule;
    HMODULE m_hResource;
    BOOL m_bSystem;
    CDynLinkLibrary* m_pNextDLL = nullptr;
};

// The first library of the chain, newest first (null when none is registered).
CDynLinkLibrary* AfxGetFirstDynLinkLibrary();
