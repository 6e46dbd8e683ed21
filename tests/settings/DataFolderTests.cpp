// Data folders: the layouts that the switches of "appProps.ini" give, decided at load in fresh
// host processes, and setting or forgetting a folder in this process.
#include "tuFileSys.h"
#include "tuSettings.h"

#include "SettingsTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <map>
#include <string>

namespace {

// Replaces the placeholders of an expected layout with what they stand for.
std::string Expand(std::string text, const std::map<std::string, std::string>& values) {
    for (const auto& [name, value] : values) {
        for (size_t at; (at = text.find(name)) != std::string::npos;)
            text.replace(at, name.size(), value);
    }
    return text;
}

TEST(DataFolders, SwitchesOfAppPropsDecideTheLayoutAtLoad) {
    tutest::TempDir net;
    const std::string netDir = tutest::Narrow(net.Path());
    struct Row {
        const char* name;
        std::string appProps;
        const char* user;   // placeholders: {exe} the host's folder, {name} its last component,
        const char* common; // {logon}, {app} and {all} the shell's data folders, {net}
    } rows[] = {
        {"no appProps.ini", "", "{app}\\Calder Works\\{name}", "{all}\\Calder Works\\{name}"},
        {"no switch set", "UseSingleUserMode=0\r\n", "{app}\\Calder Works\\{name}",
         "{all}\\Calder Works\\{name}"},
        {"application folder", "UseApplicationFolderAsDataFolder=1\r\n", "{exe}\\Data\\{logon}",
         "{exe}\\Data\\All Users"},
        {"single user", "UseSingleUserMode=1\r\n", "{all}\\Calder Works\\{name}\\SingleUser",
         "{all}\\Calder Works\\{name}"},
        {"single user in the application folder",
         "UseSingleUserMode=1\r\nUseApplicationFolderAsDataFolder=7\r\n",
         "{exe}\\Data\\All Users\\SingleUser", "{exe}\\Data\\All Users"},
        {"absolute net paths",
         "CurrUserNetPath=" + netDir + "\\u\\deep\r\nAllUsersNetPath=" + netDir + "\\c\r\n",
         "{net}\\u\\deep", "{net}\\c"},
        {"relative net paths", "CurrUserNetPath=data\\user\r\nAllUsersNetPath=data\\..\\all\r\n",
         "{exe}\\data\\user", "{exe}\\all"},
        {"only the common net path", "CurrUserNetPath=\r\nAllUsersNetPath=" + netDir + "\\c\r\n",
         "{app}\\Calder Works\\{name}", "{net}\\c"},
        {"application folder before net paths",
         "UseApplicationFolderAsDataFolder=1\r\nCurrUserNetPath=" + netDir + "\\u\r\n",
         "{exe}\\Data\\{logon}", "{exe}\\Data\\All Users"},
        {"single user before net paths",
         "UseSingleUserMode=1\r\nCurrUserNetPath=" + netDir + "\\u\r\nAllUsersNetPath=" + netDir +
             "\\c\r\n",
         "{net}\\c\\SingleUser", "{net}\\c"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto report = tutest::RunSettingsHost(L"settingsHost.exe", row.appProps);
        const std::string exeDir = report["exeDir"];
        std::map<std::string, std::string> values = {
            {"{exe}", exeDir},
            {"{name}", exeDir.substr(exeDir.rfind('\\') + 1)},
            {"{logon}", report["logon"]},
            {"{app}", tutest::ShellFolder(CSIDL_APPDATA)},
            {"{all}", tutest::ShellFolder(CSIDL_COMMON_APPDATA)},
            {"{net}", netDir},
        };
        EXPECT_EQ(report["user"], Expand(row.user, values));
        EXPECT_EQ(report["userExists"], "1");
        EXPECT_EQ(report["common"], Expand(row.common, values));
        EXPECT_EQ(report["commonExists"], "1");
    }
}

TEST(DataFolders, AFolderThatCannotBeCreatedIsNull) {
    // The host program is a file, so no folder can be made below it.
    struct Row {
        const char* name;
        std::string appProps;
        bool userDecided;
    } rows[] = {
        {"blocked user folder", "CurrUserNetPath=settingsHost.exe\\user\r\n", false},
        {"blocked common folder, single user",
         "UseSingleUserMode=1\r\nAllUsersNetPath=settingsHost.exe\\all\r\n", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto report = tutest::RunSettingsHost(L"settingsHost.exe", row.appProps);
        EXPECT_EQ(report["user"] != "(null)", row.userDecided) << report["user"];
        EXPECT_EQ(report["userExists"], row.userDecided ? "1" : "0");
    }
}

// This process has no appProps.ini: its folders follow the default layout.
TEST(DataFolders, SetFolderIsUsedAsGivenUntilForgotten) {
    for (int kind : {0, 1}) {
        SCOPED_TRACE(kind);
        ASSERT_NE(ssnGetDataDir(kind), nullptr);
        const std::wstring decided = ssnGetDataDir(kind);
        EXPECT_TRUE(osExistsDir(decided.c_str()));
        EXPECT_NE(decided.back(), L'\\');

        ssnSetDataDir(kind, L"Q:\\Data\\");
        EXPECT_STREQ(ssnGetDataDir(kind), L"Q:\\Data\\");
        EXPECT_FALSE(osExistsDir(L"Q:\\Data"));

        std::wstring tooLong(300, L'y');
        ssnSetDataDir(kind, tooLong.c_str());
        EXPECT_EQ(std::wstring(ssnGetDataDir(kind)), tooLong.substr(0, MAX_PATH - 1));

        ssnSetDataDir(kind, nullptr);
        EXPECT_EQ(std::wstring(ssnGetDataDir(kind)), decided);
    }
    EXPECT_NE(std::wstring(ssnGetDataDir(0)), ssnGetDataDir(1));
}

} // namespace
