// Program environment: the data-folder layouts that the switches of "appProps.ini" give and the
// default INI names, decided at load in fresh host processes; in this process, setting or
// forgetting a folder, the program's name and strings, and the server flag.
#include "tuFileSys.h"
#include "tuSettings.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <map>
#include <sstream>
#include <string>

namespace {

std::wstring ShellFolder(int csidl) {
    wchar_t folder[MAX_PATH] = L"";
    ::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, folder);
    return folder;
}

// Runs a host in a fresh folder beside an "appProps.ini" with the given lines of section
// "ResistantSettings" (none: no file) and returns the "key=value" lines it printed; then
// removes the data folders of the default layout, named after that fresh folder ("tarn...").
std::map<std::string, std::string> RunHost(const std::wstring& host, const std::string& lines) {
    std::vector<tutest::HostFile> files;
    if (!lines.empty())
        files.push_back({L"appProps.ini", "[ResistantSettings]\n" + lines});
    auto result = tutest::RunHostInFreshFolder(host, {L"tarnUtil.dll", L"BaseKit.dll"}, files);
    EXPECT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0u) << result.output;
    std::map<std::string, std::string> report;
    std::istringstream in(result.output);
    for (std::string line; std::getline(in, line);) {
        size_t equals = line.find('=');
        if (equals != std::string::npos)
            report[line.substr(0, equals)] = line.substr(equals + 1, line.find('\r') - equals - 1);
    }
    const std::string name = report["exeDir"].substr(report["exeDir"].rfind('\\') + 1);
    for (int csidl : {CSIDL_APPDATA, CSIDL_COMMON_APPDATA}) {
        if (name.rfind("tarn", 0) == 0)
            tutest::RemoveTree(ShellFolder(csidl) + L"\\Calder Works\\" +
                               std::wstring(name.begin(), name.end()));
    }
    return report;
}

// Replaces the placeholders of an expected layout with what they stand for.
std::string Expand(std::string text, const std::map<std::string, std::string>& values) {
    for (const auto& [name, value] : values) {
        for (size_t at; (at = text.find(name)) != std::string::npos;)
            text.replace(at, name.size(), value);
    }
    return text;
}

TEST(DataFolders, SwitchesOfAppPropsDecideTheLayoutAndTheIniNamesAtLoad) {
    tutest::TempDir net;
    const std::string netDir = tutest::Narrow(net.Path());
    struct Row {
        std::string appProps;
        const char* user;   // placeholders: {exe} the host's folder, {logon}, {net}, and {app} and
        const char* common; // {all}: the shell's data folders with "Calder Works\<host's folder>"
    } rows[] = {
        {"", "{app}", "{all}"},
        {"UseApplicationFolderAsDataFolder=1\n", "{exe}\\Data\\{logon}", "{exe}\\Data\\All Users"},
        {"UseSingleUserMode=1\n", "{all}\\SingleUser", "{all}"},
        {"UseSingleUserMode=1\nUseApplicationFolderAsDataFolder=7\n",
         "{exe}\\Data\\All Users\\SingleUser", "{exe}\\Data\\All Users"},
        {"CurrUserNetPath={net}\\u\\deep\nAllUsersNetPath={net}\\c\n", "{net}\\u\\deep",
         "{net}\\c"},
        {"CurrUserNetPath=data\\user\nAllUsersNetPath=data\\..\\all\n", "{exe}\\data\\user",
         "{exe}\\all"},
        {"CurrUserNetPath=\nAllUsersNetPath={net}\\c\n", "{app}", "{net}\\c"},
        {"CurrUserNetPath={net}\\s\nAllUsersNetPath={net}\\s\n", "{net}\\s", "{net}\\s"},
        {"CurrUserNetPath={net}\\u\\\n", "{net}\\u\\", "{all}"},
        {"UseApplicationFolderAsDataFolder=1\nCurrUserNetPath={net}\\u\n", "{exe}\\Data\\{logon}",
         "{exe}\\Data\\All Users"},
        {"UseSingleUserMode=1\nCurrUserNetPath={net}\\u\nAllUsersNetPath={net}\\c\n",
         "{net}\\c\\SingleUser", "{net}\\c"},
        // The host program is a file, so no folder can be made below it.
        {"CurrUserNetPath=settingsHost.exe\\user\n", "(null)", "{all}"},
        {"UseSingleUserMode=1\nAllUsersNetPath=settingsHost.exe\\all\n", "(null)", "(null)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.appProps);
        auto report = RunHost(L"settingsHost.exe", Expand(row.appProps, {{"{net}", netDir}}));
        const std::string exeDir = report["exeDir"];
        const std::string calder = "\\Calder Works" + exeDir.substr(exeDir.rfind('\\'));
        const std::map<std::string, std::string> values = {
            {"{exe}", exeDir},
            {"{logon}", report["logon"]},
            {"{app}", tutest::Narrow(ShellFolder(CSIDL_APPDATA)) + calder},
            {"{all}", tutest::Narrow(ShellFolder(CSIDL_COMMON_APPDATA)) + calder},
            {"{net}", netDir},
        };
        const std::string user = Expand(row.user, values), common = Expand(row.common, values);
        EXPECT_EQ(report["user"], user);
        EXPECT_EQ(report["common"], common);
        // The default INI files lie in the folders, named after the program (none without a
        // folder); a setting written to both is read from the user file when there is one.
        auto ini = [](const std::string& folder) {
            return folder == "(null)"
                       ? ""
                       : folder + (folder.back() == '\\' ? "" : "\\") + "settingsHost.ini";
        };
        const std::string userIni = ini(user), commonIni = ini(common);
        EXPECT_EQ(report["userIni"], userIni);
        EXPECT_EQ(report["commonIni"], commonIni);
        EXPECT_EQ(report["same"], userIni == commonIni ? "1" : "0");
        EXPECT_EQ(report["written"], commonIni.empty() ? "0" : "1");
        EXPECT_EQ(report["read"], commonIni.empty() && userIni.empty() ? "" : "value");
        EXPECT_EQ(report["fromUser"], userIni.empty() ? "0" : "1");
    }
    // A program's own exeGetString answers instead of the library.
    auto own = RunHost(L"stringsHost.exe", "");
    EXPECT_EQ(own["string1"], "Host product");
    EXPECT_EQ(own["string7"], "Host string seven");
}

// This process has no appProps.ini: its folders follow the default layout.
TEST(DataFolders, SetFolderIsUsedAsGivenAndTheIniNameFollowsWhenDerivedAgain) {
    for (int kind : {0, 1}) {
        SCOPED_TRACE(kind);
        ASSERT_NE(ssnGetDataDir(kind), nullptr);
        const std::wstring decided = ssnGetDataDir(kind), name = iniGetDefaultFileName(kind);

        // Set to its own text, a folder stays; a text handed out stays as it was.
        const wchar_t* handedOut = ssnGetDataDir(kind);
        ssnSetDataDir(kind, handedOut);
        EXPECT_EQ(ssnGetDataDir(kind), decided);
        for (const wchar_t* folder : {L"Q:\\Data\\", L"Q:\\Data"}) {
            ssnSetDataDir(kind, folder);
            EXPECT_STREQ(ssnGetDataDir(kind), folder);
            EXPECT_EQ(iniSetDefaultFileName(kind, nullptr), 0);
            EXPECT_STREQ(iniGetDefaultFileName(kind), L"Q:\\Data\\settingsTests.ini");
        }
        EXPECT_EQ(handedOut, decided);
        EXPECT_FALSE(osExistsDir(L"Q:\\Data"));

        // A folder is cut to the path limit; a name that would not fit is left empty.
        std::wstring tooLong(300, L'y');
        ssnSetDataDir(kind, tooLong.c_str());
        EXPECT_EQ(std::wstring(ssnGetDataDir(kind)), tooLong.substr(0, MAX_PATH - 1));
        ssnSetDataDir(kind, std::wstring(250, L'd').c_str());
        iniSetDefaultFileName(kind, nullptr);
        EXPECT_STREQ(iniGetDefaultFileName(kind), L"");

        ssnSetDataDir(kind, nullptr);
        iniSetDefaultFileName(kind, nullptr);
        EXPECT_EQ(std::wstring(ssnGetDataDir(kind)), decided);
        EXPECT_EQ(iniGetDefaultFileName(kind), name);
    }
    EXPECT_NE(std::wstring(ssnGetDataDir(0)), ssnGetDataDir(1));
}

TEST(Program, NameStringsAndServerFlagInThisProcess) {
    EXPECT_STREQ(ssnGetExeName(), L"settingsTests");
    EXPECT_EQ(ssnGetExeName(), ssnGetExeName()); // computed once, then the same text
    // The library's own strings answer for a program without exeGetString; none beyond them.
    const std::pair<unsigned, const wchar_t*> strings[] = {
        {0, L"Korvo 1.3"}, {3, L"Korvo.ini"}, {4, L""}, {5, nullptr}, {0xFFFFFFFFu, nullptr}};
    for (const auto& [id, expected] : strings)
        EXPECT_STREQ(ssnGetExeString(id), expected) << id;
    // The server flag is false until set; any nonzero value sets it.
    EXPECT_FALSE(ssnIsServer());
    for (int value : {-1, 0}) {
        ssnSetIsServer(value);
        EXPECT_EQ(ssnIsServer(), value != 0);
    }
}

} // namespace
