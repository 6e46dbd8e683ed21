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
