// Default INI names: derived at load from the data folders (in fresh host processes), and
// derived again on request in this process.
#include "tuSettings.h"

#include "SettingsTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char kDecided[] = "(decided)"; // the data folder that the library decided, and the name

TEST(DefaultIniNames, AreDerivedAtLoadFromTheDataFolders) {
    tutest::TempDir net;
    const std::string netDir = tutest::Narrow(net.Path());
    struct Row {
        const char* name;
        std::string appProps;
        std::string user; // the expected default file names
        std::string common;
        const char* same;
        const char* fromUser; // where a read found a setting written to both files
    } rows[] = {
        {"default layout", "", kDecided, kDecided, "0", "1"},
        {"one shared folder",
         "CurrUserNetPath=" + netDir + "\\shared\r\nAllUsersNetPath=" + netDir + "\\shared\r\n",
         netDir + "\\shared\\iniHost.ini", netDir + "\\shared\\iniHost.ini", "1", "1"},
        {"folder given with a backslash", "CurrUserNetPath=" + netDir + "\\u\\\r\n",
         netDir + "\\u\\iniHost.ini", kDecided, "0", "1"},
        // No user folder: an empty user name, and the common file takes the setting.
        {"blocked user folder", "CurrUserNetPath=iniHost.exe\\user\r\n", "", kDecided, "0", "0"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto report = tutest::RunSettingsHost(L"iniHost.exe", row.appProps);
        const std::string user =
            row.user == kDecided ? report["userDir"] + "\\iniHost.ini" : row.user;
        const std::string common =
            row.common == kDecided ? report["commonDir"] + "\\iniHost.ini" : row.common;
        EXPECT_EQ(report["userIni"], user);
        EXPECT_EQ(report["commonIni"], common);
        EXPECT_EQ(report["same"], row.same);
        EXPECT_EQ(report["written"], "1");
        EXPECT_EQ(report["read"], "value");
        EXPECT_EQ(report["fromUser"], row.fromUser);
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
