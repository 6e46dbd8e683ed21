// Program environment: data folders and INI names decided at load and the event-log front, in fresh
// hosts; setting or forgetting a folder, the program's name and strings and the server flag here.
#include "tuFileSys.h"
#include "tuSettings.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

std::wstring ShellFolder(int csidl) {
    wchar_t folder[MAX_PATH] = L"";
    ::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, folder);
    return folder;
}

// Runs a host in a fresh folder with the "appProps.ini" switches and EventLog.dll given (if any);
// returns its output lines and removes the data folders named after the fresh folder.
std::vector<std::string> RunHost(const std::wstring& host, const std::string& appProps,
                                 const std::wstring& arguments = L"",
                                 const std::wstring& eventLog = L"") {
    tutest::TempDir dir;
    for (const wchar_t* module : {host.c_str(), L"tarnUtil.dll", L"BaseKit.dll"})
        dir.CopyModule(module);
    if (!eventLog.empty())
        dir.CopyModule(eventLog, L"EventLog.dll");
    if (!appProps.empty())
        dir.WriteFile(L"appProps.ini", "[ResistantSettings]\n" + appProps);
    auto result = tutest::RunProcess(dir / host, arguments, dir.Path());
    EXPECT_EQ(result.exitCode, 0u) << result.output; // an unfinished host is ended with 1
    const std::wstring name = dir.Path().substr(dir.Path().rfind(L'\\'));
    for (int csidl : {CSIDL_APPDATA, CSIDL_COMMON_APPDATA})
        tutest::RemoveTree(ShellFolder(csidl) + L"\\Calder Works" + name);
    std::vector<std::string> lines;
    std::istringstream in(result.output);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line.substr(0, line.find('\r')));
    return lines;
}

// The host's "key=value" lines.
std::map<std::string, std::string> Report(const std::vector<std::string>& lines) {
    std::map<std::string, std::string> report;
    for (const std::string& line : lines)
        if (size_t equals = line.find('='); equals != std::string::npos)
            report[line.substr(0, equals)] = line.substr(equals + 1);
    return report;
}

// An event-log scenario's transcript: the host's and the recording library's lines, in order.
std::string RunScenario(const std::wstring& scenario, const std::wstring& library) {
    std::string transcript;
    for (const std::string& line : RunHost(L"settingsHost.exe", "", scenario, library))
        if (line.rfind("host: ", 0) == 0 || line.rfind("lib: ", 0) == 0)
            transcript += line + "\n";
    return transcript;
}

// Replaces the placeholders of an expected layout with what they stand for.
std::string Expand(std::string text, const std::map<std::string, std::string>& values) {
    for (const auto& [name, value] : values)
        for (size_t at; (at = text.find(name)) != std::string::npos;)
            text.replace(at, name.size(), value);
    return text;
}

TEST(DataFolders, SwitchesOfAppPropsDecideTheLayoutAndTheIniNamesAtLoad) {
    tutest::TempDir net;
    const std::string netDir = tutest::Narrow(net.Path());
    // Rows: appProps lines, user folder, common folder. Placeholders: {exe} the host's folder,
    // {logon}, {net}, and {app} and {all}: the shell's data folders with "Calder Works\<folder>".
    const std::tuple<std::string, const char*, const char*> rows[] = {
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
    for (const auto& [appProps, userLayout, commonLayout] : rows) {
        SCOPED_TRACE(appProps);
        auto report = Report(RunHost(L"settingsHost.exe", Expand(appProps, {{"{net}", netDir}})));
        const std::string exeDir = report["exeDir"];
        const std::string calder = "\\Calder Works" + exeDir.substr(exeDir.rfind('\\'));
        const std::map<std::string, std::string> values = {
            {"{exe}", exeDir},
            {"{logon}", report["logon"]},
            {"{app}", tutest::Narrow(ShellFolder(CSIDL_APPDATA)) + calder},
            {"{all}", tutest::Narrow(ShellFolder(CSIDL_COMMON_APPDATA)) + calder},
            {"{net}", netDir},
        };
        const std::string user = Expand(userLayout, values), common = Expand(commonLayout, values);
        // The default INI files lie in the folders, named after the program (none without a
        // folder); a setting written to both is read from the user file when there is one.
        auto ini = [](const std::string& folder) {
            return folder == "(null)"
                       ? ""
                       : folder + (folder.back() == '\\' ? "" : "\\") + "settingsHost.ini";
        };
        const std::string userIni = ini(user), commonIni = ini(common);
        EXPECT_EQ(
            std::tie(report["user"], report["common"], report["userIni"], report["commonIni"]),
            std::tie(user, common, userIni, commonIni));
        EXPECT_EQ(report["same"], userIni == commonIni ? "1" : "0");
        EXPECT_EQ(report["written"], commonIni.empty() ? "0" : "1");
        EXPECT_EQ(report["read"], commonIni.empty() && userIni.empty() ? "" : "value");
        EXPECT_EQ(report["fromUser"], userIni.empty() ? "0" : "1");
    }
    // A program's own exeGetString answers instead of the library.
    auto own = Report(RunHost(L"stringsHost.exe", ""));
    EXPECT_EQ(own["string1"], "Host product");
    EXPECT_EQ(own["string7"], "Host string seven");
}

// This process has no appProps.ini: its folders follow the default layout.
TEST(DataFolders, SetFolderIsUsedAsGivenAndTheIniNameFollowsWhenDerivedAgain) {
    for (int kind : {0, 1}) {
        SCOPED_TRACE(kind);
        const wchar_t* handedOut = ssnGetDataDir(kind);
        ASSERT_NE(handedOut, nullptr);
        const std::wstring decided = handedOut, name = iniGetDefaultFileName(kind);
        // Set to its own text, a folder stays; a text handed out stays as it was.
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
        ssnSetDataDir(kind, std::wstring(300, L'y').c_str());
        EXPECT_EQ(std::wstring(ssnGetDataDir(kind)), std::wstring(MAX_PATH - 1, L'y'));
        ssnSetDataDir(kind, std::wstring(250, L'd').c_str());
        iniSetDefaultFileName(kind, nullptr);
        EXPECT_STREQ(iniGetDefaultFileName(kind), L"");

        ssnSetDataDir(kind, nullptr);
        iniSetDefaultFileName(kind, nullptr);
        EXPECT_EQ(std::wstring(ssnGetDataDir(kind)), decided);
        EXPECT_EQ(iniGetDefaultFileName(kind), name);
    }
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

TEST(EventLogFront, InitsOnceFormatsWritesAndStopsAfterExit) {
    EXPECT_EQ(RunScenario(L"sequence", L"recordingEventLog.dll"),
              "lib: load\n"
              "lib: init first 0\n"
              "host: init first -> 1\n"
              "host: init second -> 1\n" // already initialized: the library hears nothing
              "lib: write 7 basket has 3 items\n"
              "host: write -> 1007\n"
              "lib: unload\n"
              "host: write after exit -> 0\n"
              "lib: load\n"
              "lib: init again 0\n"
              "host: init again -> 1\n"
              "lib: unload\n"
              "lib: load\n"
              "lib: init object 0\n"
              "host: object init -> 1\n"
              "lib: write 3 plain %s text\n"
              "host: object write -> 1003\n"
              "lib: unload\n"); // the object's destruction
}

TEST(EventLogFront, MissingLibraryOrEntryPointMakesEveryCallANoOp) {
    const std::string refused = "host: init -> 0\n"
                                "host: loaded -> 0\n"
                                "host: write -> 0\n";
    EXPECT_EQ(RunScenario(L"refused", L""), refused);
    // Without its write entry the library is released again, its init entry never called.
    const std::string released = "lib: load\nlib: unload\n";
    EXPECT_EQ(RunScenario(L"refused", L"recordingEventLogInitOnly.dll"), released + refused);
}

TEST(EventLogFront, WritersFromSeveralThreadsEnterTheLibraryOneAtATime) {
    std::istringstream lines(RunScenario(L"threads", L"recordingEventLog.dll"));
    int writes = 0;
    std::string line, last;
    while (std::getline(lines, line)) {
        EXPECT_NE(line, "lib: overlapping write");
        writes += line.rfind("lib: write 2 thread ", 0) == 0;
        last = line == "lib: unload" ? last : line;
    }
    EXPECT_EQ(writes, 200);
    EXPECT_EQ(last, "host: results handed through -> 200");
}

} // namespace
