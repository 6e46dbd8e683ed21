// The load-time initializers that the entry point runs at process attach, in this order:
// operating-system probe, default INI names (which decide the data folders), hook registry,
// locale cache. Each subsystem that needs one contributes exactly one function here.
#pragma once

namespace tu::os {
// Records the operating-system version (basic version record) and whether it is an NT-family
// system; the version tests answer from that record for the rest of the process.
void ProbeOsVersion();
} // namespace tu::os

namespace tu::settings {
// Derives both default INI file names, the common one first; deriving them decides both data
// folders (common first), reads "appProps.ini" and may create the folders on disk.
void DeriveDefaultIniNames();
} // namespace tu::settings

// Hook registry: its lock, id table with the registry's own default, and entry heap.
void hookInitRegistry();
// Releases the registry's id table and entry heap; the first step of process detach.
void hookTermRegistry();

namespace tu::text {
// Fills the locale cache from the user's regional settings (section "intl" of the profile).
void InitLocaleCache();
} // namespace tu::text

namespace tu::frame {
// The attach steps in their order, as a timing build of the library reports them: the entry
// point reached (after the static objects), then the end of each step.
enum class AttachStep {
    kEntered,
    kOsProbe,
    kIniNames,
    kHookRegistry,
    kLocaleCache,
    kClassLibrary,
    kCount
};
#ifdef TARN_ATTACH_TIMING
// Records the moment a step ends; only the load benchmark's build of the library defines it.
void MarkAttachStep(AttachStep step);
#else
inline void MarkAttachStep(AttachStep) {}
#endif
} // namespace tu::frame
