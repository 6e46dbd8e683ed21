// The library's entry point: the process attach and detach sequences and the values they record.
#include "internal/Library.h"
#include "internal/LoadSteps.h"

#include <afxwin.h>

#include <new>

namespace {
// Set once at process attach, read without locks afterwards.
DWORD g_loaderThreadId;
HINSTANCE g_instance;
AFX_EXTENSION_MODULE g_extensionModule;

void AttachProcess(HINSTANCE instance) {
    using tu::frame::AttachStep;
    using tu::frame::MarkAttachStep;
    MarkAttachStep(AttachStep::kEntered);
    g_loaderThreadId = ::GetCurrentThreadId();
    g_instance = instance;
    tu::os::ProbeOsVersion();
    MarkAttachStep(AttachStep::kOsProbe);
    tu::settings::DeriveDefaultIniNames();
    MarkAttachStep(AttachStep::kIniNames);
    hookInitRegistry();
    MarkAttachStep(AttachStep::kHookRegistry);
    tu::text::InitLocaleCache();
    MarkAttachStep(AttachStep::kLocaleCache);
    AfxInitExtensionModule(g_extensionModule, instance);
    // A library object that cannot be allocated only costs the class library's resource chain.
    new (std::nothrow) CDynLinkLibrary(g_extensionModule);
    g_extensionModule.hResource = nullptr;
    MarkAttachStep(AttachStep::kClassLibrary);
}

void DetachProcess() {
    hookTermRegistry();
    AfxTermExtensionModule(g_extensionModule, FALSE);
}
} // namespace

namespace tu::frame {
DWORD LoaderThreadId() {
    return g_loaderThreadId;
}
HINSTANCE LibraryInstance() {
    return g_instance;
}
} // namespace tu::frame

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH)
        AttachProcess(instance);
    else if (reason == DLL_PROCESS_DETACH)
        DetachProcess();
    return TRUE;
}
