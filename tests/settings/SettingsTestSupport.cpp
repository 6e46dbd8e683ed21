// Helpers of the settings tests: host programs run in fresh folders, and what they reported.
#include "SettingsTestSupport.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <sstream>

namespace tutest {

namespace {

HostReport ParseReport(const std::string& output) {
    HostReport report;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t equals = line.find('=');
        if (equals != std::string::npos)
            report[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return report;
}

std::wstring Widen(const std::string& text) {
    wchar_t wide[MAX_PATH] = L"";
    ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide, MAX_PATH);
    return wide;
}

// The default layout names the data folders after the host's fresh folder ("tarn...").
void RemoveDefaultFolders(const std::string& exeDir) {
    const std::string name = exeDir.substr(exeDir.rfind('\\') + 1);
    if (name.rfind("tarn", 0) != 0)
        return;
    for (int csidl : {CSIDL_APPDATA, CSIDL_COMMON_APPDATA})
        RemoveTree(Widen(ShellFolder(csidl) + "\\Calder Works\\" + name));
}

} // namespace

HostReport RunSettingsHost(const std::wstring& host, const std::string& appPropsLines) {
    std::vector<HostFile> files;
    if (!appPropsLines.empty())
        files.push_back({L"appProps.ini", "[ResistantSettings]\r\n" + appPropsLines});
    auto result = RunHostInFreshFolder(host, {L"tarnUtil.dll", L"BaseKit.dll"}, files);
    EXPECT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0u) << result.output;
    HostReport report = ParseReport(result.output);
    RemoveDefaultFolders(report["exeDir"]);
    return report;
}

std::string ShellFolder(int csidl) {
    wchar_t folder[MAX_PATH] = L"";
    ::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, folder);
    return Narrow(folder);
}

} // namespace tutest
