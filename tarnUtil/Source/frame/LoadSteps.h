// The load-time initializers that the entry point runs at process attach, in this order:
// operating-system probe, default INI names (which decide the data folders), hook registry,
// locale cache. Each subsystem that needs one contributes exactly one function here.
#pragma once

namespace tu::settings {
// Decides both data folders, the common one first; either may be created on disk.
void DecideDataFolders();
} // namespace tu::settings

namespace tu::text {
// Fills the locale cache from the user's regional settings (section "intl" of the profile).
void InitLocaleCache();
} // namespace tu::text
