// Default INI names: derived at load from the data folders (in fresh host processes), and
// derived again on request in this process.
#include "tuSettings.h"

#include "SettingsTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <map>
#include <string>

namespace {

std::string Expand(std::string text, const std::map<std::string, std::string>& values) {
    for (const auto& [name, value] : values) {
        for (size_t at; (at = text.find(name)) != std::string::npos;)
            text.replace(at, name.size(), value);
    }
    return text;
}

TEST(DefaultIniNames, AreDerivedAtLoadFromTheDataFolders) {
    tutest::TempDir net;
    const std::string netDir = tutest::Narrow(net.Path());
    struct Row {
        const char* name;
        std::string appProps;
        const char* user;   // placeholders: {exe} the host's folder, {name} its last component,
        const char* common; // {logon}, {app} and {all} the shell's data folders, {net}
        const char* same;
        const char* written; // the result of a write to both files
        const char* read;    // where a read then found it
    } rows[] = {
        {"default layout", "", "{app}\\Calder Works\\{name}\\iniHost.ini",
         "{all}\\Calder Works\\{name}\\iniHost.ini", "0", "1", "1"},
        {"application folder", "UseApplicationFolderAsDataFolder=1\r\n",
         "{exe}\\Data\\{logon}\\iniHost.ini", "{exe}\\Data\\All Users\\iniHost.ini", "0", "1", "1"},
        {"one shared folder",
         "CurrUserNetPath=" + netDir + "\\shared\r\nAllUsersNetPath=" + netDir + "\\shared\r\n",
         "{net}\\shared\\iniHost.ini", "{net}\\shared\\iniHost.ini", "1", "1", "1"},
        {"folder given with a backslash", "CurrUserNetPath=" + netDir + "\\u\\\r\n",
         "{net}\\u\\iniHost.ini", "{all}\\Calder Works\\{name}\\iniHost.ini", "0", "1", "1"},
        // No user folder: an empty user name, and the common file takes the setting.
        {"blocked user folder", "CurrUserNetPath=iniHost.exe\\user\r\n", "",
         "{all}\\Calder Works\\{name}\\iniHost.ini", "0", "1", "0"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto report = tutest::RunSettingsHost(L"iniHost.exe", row.appProps);
        const std::string exeDir = report["exeDir"];
        std::map<std::string, std::string> values = {
            {"{exe}", exeDir},
            {"{name}", exeDir.substr(exeDir.rfind('\\') + 1)},
            {"{logon}", report["logon"]},
            {"{app}", tutest::ShellFolder(CSIDL_APPDATA)},
            {"{all}", tutest::ShellFolder(CSIDL_COMMON_APPDATA)},
            {"{net}", netDir},
        };
        EXPECT_EQ(report["userIni"], Expand(row.user, values));
        EXPECT_EQ(report["commonIni"], Expand(row.common, values));
        EXPECT_EQ(report["same"], row.same);
        EXPECT_EQ(report["written"], row.written);
        EXPECT_EQ(report["userBom"], *row.user ? "1" : "0");
        EXPECT_EQ(report["commonBom"], "1");
        EXPECT_EQ(report["read"], "value");
        EXPECT_EQ(report["fromUser"], row.read);
    }
}

// This process has no appProps.ini: its folders follow the default layout.
TEST(DefaultIniNames, FollowAChangedDataFolderOnlyWhenDerivedAgain) {
    for (int kind : {0, 1}) {
        SCOPED_TRACE(kind);
        const std::wstring folder = ssnGetDataDir(kind);
        const std::wstring name = iniGetDefaultFileName(kind);
        EXPECT_EQ(name, folder + L"\\iniEventLogTests.ini");

        ssnSetDataDir(kind, L"Q:\\Data\\");
        EXPECT_EQ(iniGetDefaultFileName(kind), name);
        EXPECT_EQ(iniSetDefaultFileName(kind, nullptr), 0);
        EXPECT_STREQ(iniGetDefaultFileName(kind), L"Q:\\Data\\iniEventLogTests.ini");
        ssnSetDataDir(kind, L"Q:\\Data");
        iniSetDefaultFileName(kind, nullptr);
        EXPECT_STREQ(iniGetDefaultFileName(kind), L"Q:\\Data\\iniEventLogTests.ini");

        // A name that would not fit is left empty rather than cut.
        ssnSetDataDir(kind, std::wstring(250, L'd').c_str());
        iniSetDefaultFileName(kind, nullptr);
        EXPECT_STREQ(iniGetDefaultFileName(kind), L"");

        ssnSetDataDir(kind, nullptr);
        iniSetDefaultFileName(kind, nullptr);
        EXPECT_EQ(iniGetDefaultFileName(kind), name);
    }
}

} // namespace
