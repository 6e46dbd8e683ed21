// Extension-module registration: the chain of CDynLinkLibrary objects of this module's copy
// of the class library, guarded by one lock.
#include "afxwin.h"

#include "SrwGuard.h"

namespace {
SRWLOCK g_chainLock = SRWLOCK_INIT;
CDynLinkLibrary* g_firstLibrary;
} // namespace

BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HMODULE module) {
    if (!state.bInitialized) {
        state.hModule = module;
        state.hResource = module;
        state.bInitialized = TRUE;
    }
    return TRUE;
}

void AfxTermExtensionModule(AFX_EXTENSION_MODULE& state, BOOL all) {
    for (;;) {
        CDynLinkLibrary* doomed = nullptr;
        {
            ExclusiveSrwGuard hold(g_chainLock);
            for (CDynLinkLibrary* lib = g_firstLibrary; lib && !doomed; lib = lib->m_pNextDLL)
                if (all || lib->m_hModule == state.hModule)
                    doomed = lib;
        }
        if (!doomed)
            break;
        delete doomed;
    }
}

CDynLinkLibrary::CDynLinkLibrary(AFX_EXTENSION_MODULE& state, BOOL system)
    : m_hModule(state.hModule), m_hResource(state.hResource), m_bSystem(system) {
    ExclusiveSrwGuard hold(g_chainLock);
    m_pNextDLL = g_firstLibrary;
    g_firstLibrary = this;
}

CDynLinkLibrary::~CDynLinkLibrary() {
    ExclusiveSrwGuard hold(g_chainLock);
    for (CDynLinkLibrary** link = &g_firstLibrary; *link; link = &(*link)->m_pNextDLL)
        if (*link == this) {
            *link = m_pNextDLL;
            break;
        }
}

CDynLinkLibrary* AfxGetFirstDynLinkLibrary() {
    ExclusiveSrwGuard hold(g_chainLock);
    return g_firstLibrary;
}
