// Helpers of the settings tests: host programs run in fresh folders, and what they reported.
#pragma once

#include <windows.h>

#include <map>
#include <string>

namespace tutest {

// The "key=value" lines that a host printed.
using HostReport = std::map<std::string, std::string>;

// Runs a settings host in a fresh folder beside an "appProps.ini" with the given lines of
// section "ResistantSettings" (none: no file), then removes the data folders of the default
// layout, which are named after that folder and lie outside it.
HostReport RunSettingsHost(const std::wstring& host, const std::string& appPropsLines);

// A folder of the shell (CSIDL_APPDATA, CSIDL_COMMON_APPDATA) as UTF-8.
std::string ShellFolder(int csidl);

} // namespace tutest
