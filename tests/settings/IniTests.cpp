// INI settings against the platform's profile functions: user-over-common reads and the flag
// out, writes through each selector, value encodings, resource ids and invalid input. The
// default files are pointed at files in a temporary folder; the load-time names are tested in
// fresh processes.
#include "tuSettings.h"

#include "IniStrings.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

LPCWSTR Flags(ULONG_PTR flags) {
    return reinterpret_cast<LPCWSTR>(flags);
}
LPCWSTR Id(UINT id) {
    return MAKEINTRESOURCEW(id);
}

const int kUntouched = -7; // the flag out before a call

std::string ReadBytes(const std::wstring& path) {
    std::string bytes;
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    char chunk[4096];
    DWORD got = 0;
    while (::ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got)
        bytes.append(chunk, got);
    ::CloseHandle(file);
    return bytes;
}

// The text of a key as the platform reads it, "(absent)" when the key is missing.
std::wstring RawValue(const std::wstring& file, const wchar_t* section, const wchar_t* key) {
    wchar_t value[256];
    ::GetPrivateProfileStringW(section, key, L"(absent)", value, 256, file.c_str());
    return value;
}

// Points both default files into a fresh folder for one test and restores the program's own
// default names afterwards.
class IniTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_savedUser = iniGetDefaultFileName(0);
        m_savedCommon = iniGetDefaultFileName(1);
        EXPECT_EQ(iniSetDefaultFileName(0, m_user.c_str()), 0);
        EXPECT_EQ(iniSetDefaultFileName(1, m_common.c_str()), 0);
    }
    void TearDown() override {
        iniSetDefaultFileName(0, m_savedUser.c_str());
        iniSetDefaultFileName(1, m_savedCommon.c_str());
    }

    tutest::TempDir m_dir;
    const std::wstring m_user = m_dir / L"user.ini";
    const std::wstring m_common = m_dir / L"common.ini";
    const std::wstring m_unwritable = m_dir / L"no such folder\\settings.ini";

private:
    std::wstring m_savedUser;
    std::wstring m_savedCommon;
};

// ---- Reads -------------------------------------------------------------------------------

// Values 11 come from the user file, 22 from the common file, 99 is the caller's default.
class IniReadTest : public IniTest {
protected:
    void SetUp() override {
        IniTest::SetUp();
        m_dir.WriteFile(L"user.ini", "[s]\r\nboth=11\r\nonlyUser=11\r\n");
        m_dir.WriteFile(L"common.ini", "[s]\r\nboth=22\r\nonlyCommon=22\r\n");
    }
};

struct FallbackRow {
    int selector; // flags, or -1 for the user file's path and -2 for the common file's
    const wchar_t* key;
    int expected;    // 11, 22 or 99
    int fromUserOut; // the flag out afterwards
};

const FallbackRow kFallbackRows[] = {
    {0, L"both", 11, 1},
    {0, L"onlyCommon", 22, 0},
    {0, L"absent", 99, 0},
    {3, L"onlyCommon", 22, 0},
    {3, L"onlyUser", 11, 1},
    {1, L"both", 11, 1},
    {1, L"onlyCommon", 99, 0},
    {2, L"both", 22, kUntouched},
    {2, L"onlyUser", 99, kUntouched},
    {-1, L"both", 11, kUntouched},
    {-1, L"onlyCommon", 99, kUntouched},
    {-2, L"both", 22, kUntouched},
};

TEST_F(IniReadTest, EveryReaderFallsBackFromUserToCommon) {
    for (size_t row = 0; row < std::size(kFallbackRows); ++row) {
        const FallbackRow& r = kFallbackRows[row];
        SCOPED_TRACE(row);
        LPCWSTR file = r.selector == -1   ? m_user.c_str()
                       : r.selector == -2 ? m_common.c_str()
                                          : Flags(r.selector);

        int fromUser = kUntouched;
        EXPECT_EQ(iniGetInt(L"s", r.key, 99, file, nullptr, &fromUser), r.expected);
        EXPECT_EQ(fromUser, r.fromUserOut);

        fromUser = kUntouched;
        wchar_t text[16];
        EXPECT_EQ(iniGetString(L"s", r.key, L"99", text, 16, file, nullptr, &fromUser), 2u);
        EXPECT_EQ(std::wstring(text), std::to_wstring(r.expected));
        EXPECT_EQ(fromUser, r.fromUserOut);

        fromUser = kUntouched;
        EXPECT_EQ(iniGetDouble(L"s", r.key, 99.0, file, nullptr, &fromUser), r.expected);
        EXPECT_EQ(fromUser, r.fromUserOut);

        // The texts 11 and 22 are one-byte records 0x11 and 0x22.
        fromUser = kUntouched;
        BYTE record = 0x99;
        EXPECT_EQ(iniGetStruct(L"s", r.key, &record, 1, file, nullptr, &fromUser),
                  r.expected != 99);
        EXPECT_EQ(record, r.expected == 99 ? 0x99 : r.expected / 11 * 0x11);
        EXPECT_EQ(fromUser, r.fromUserOut);
    }
}

TEST_F(IniReadTest, ZeroAndEmptyInTheUserFileHideTheCommonValues) {
    m_dir.WriteFile(L"user.ini", "[s]\r\nzero=0\r\nempty=\r\n");
    m_dir.WriteFile(L"common.ini", "[s]\r\nzero=5\r\nempty=text\r\n");

    int fromUser = kUntouched;
    EXPECT_EQ(iniGetInt(L"s", L"zero", 7, Flags(0), nullptr, &fromUser), 0);
    EXPECT_EQ(fromUser, 1);

    wchar_t text[16];
    std::memset(text, 0xcc, sizeof text);
    fromUser = kUntouched;
    EXPECT_EQ(iniGetString(L"s", L"empty", L"default", text, 16, Flags(0), nullptr, &fromUser), 0u);
    EXPECT_STREQ(text, L"");
    EXPECT_EQ(fromUser, 1);

    fromUser = kUntouched;
    EXPECT_EQ(iniGetDouble(L"s", L"empty", 2.5, Flags(0), nullptr, &fromUser), 2.5);
    EXPECT_EQ(fromUser, 1);
}

TEST_F(IniReadTest, SameFileIsReadOnceAndNeverAsFallback) {
    EXPECT_EQ(iniSetDefaultFileName(1, m_user.c_str()), 1);
    int fromUser = kUntouched;
    EXPECT_EQ(iniGetInt(L"s", L"onlyCommon", 99, Flags(0), nullptr, &fromUser), 99);
    EXPECT_EQ(fromUser, 0);
    // Selector 2 alone still reads the (shared) common file.
    EXPECT_EQ(iniGetInt(L"s", L"onlyUser", 99, Flags(2)), 11);

    // Names are compared exactly: a difference in case is another file name.
    std::wstring upper = m_dir.Path() + L"\\USER.INI";
    EXPECT_EQ(iniSetDefaultFileName(1, upper.c_str()), 0);
    EXPECT_EQ(iniSetDefaultFileName(1, m_common.c_str()), 0);
}

struct CutRow {
    const wchar_t* key;
    ULONG_PTR selector;
    DWORD size;
    const wchar_t* expected;
    int fromUserOut;
};

// The user file holds "abcdef", the common file "ghijkl", the default is "mnopqr".
const CutRow kCutRows[] = {
    {L"user", 1, 16, L"abcdef", 1},
    {L"user", 1, 7, L"abcdef", 1},
    {L"user", 1, 6, L"abcde", 1},
    {L"user", 1, 1, L"", 1},
    {L"common", 0, 7, L"ghijkl", 0},
    {L"common", 0, 6, L"ghijk", 0},
    {L"common", 0, 1, L"", 0},
    {L"absent", 0, 7, L"mnopqr", 0},
    {L"absent", 0, 6, L"mnopq", 0},
    {L"absent", 0, 1, L"", 0},
    {L"absent", 2, 6, L"mnopq", kUntouched},
};

TEST_F(IniReadTest, TextsAreCutToTheBufferAndTerminated) {
    m_dir.WriteFile(L"user.ini", "[s]\r\nuser=abcdef\r\n");
    m_dir.WriteFile(L"common.ini", "[s]\r\ncommon=ghijkl\r\n");
    for (size_t row = 0; row < std::size(kCutRows); ++row) {
        const CutRow& r = kCutRows[row];
        SCOPED_TRACE(row);
        wchar_t buffer[32];
        std::memset(buffer, 0xcc, sizeof buffer);
        int fromUser = kUntouched;
        DWORD length = iniGetString(L"s", r.key, L"mnopqr", buffer, r.size, Flags(r.selector),
                                    nullptr, &fromUser);
        EXPECT_EQ(length, wcslen(r.expected));
        EXPECT_STREQ(buffer, r.expected);
        EXPECT_EQ(buffer[r.size], static_cast<wchar_t>(0xcccc)); // nothing written past the end
        EXPECT_EQ(fromUser, r.fromUserOut);
    }
}

TEST_F(IniReadTest, NullDefaultIsTheEmptyText) {
    wchar_t text[8] = L"xxxxxxx";
    EXPECT_EQ(iniGetString(L"s", L"absent", nullptr, text, 8), 0u);
    EXPECT_STREQ(text, L"");
}

struct DoubleRow {
    const char* text;
    double expected; // -99 is the default
};

const DoubleRow kDoubleRows[] = {
    {".25", 0.25}, {"-.5", -0.5}, {"+.5e1", 5.0}, {"1e3", 1000.0},   {"3.5abc", 3.5},
    {"x1", -99},   {"-", -99},    {"+", -99},     {".", -99},        {"-.x", -99},
    {"", -99},     {"e3", -99},   {"--1", -99},   {"1000.", 1000.0}, {"-0", 0.0},
};

TEST_F(IniReadTest, DoublesNeedADigitAfterSignAndPoint) {
    std::string file = "[d]\r\n";
    for (size_t row = 0; row < std::size(kDoubleRows); ++row)
        file += "k" + std::to_string(row) + "=" + kDoubleRows[row].text + "\r\n";
    m_dir.WriteFile(L"user.ini", file);
    for (size_t row = 0; row < std::size(kDoubleRows); ++row) {
        SCOPED_TRACE(kDoubleRows[row].text);
        std::wstring key = L"k" + std::to_wstring(row);
        EXPECT_EQ(iniGetDouble(L"d", key.c_str(), -99, Flags(1)), kDoubleRows[row].expected);
    }
}

struct RecordRow {
    const char* text;
    UINT size;
    BOOL result;
    const char* recordAfter; // the 4-byte record, pre-filled with 0x99
};

const RecordRow kRecordRows[] = {
    {"01ABFF", 3, TRUE, "\x01\xAB\xFF\x99"},
    {"01abff", 3, TRUE, "\x01\xAB\xFF\x99"},  // lower case is read too
    {"01ABFF", 4, FALSE, "\x99\x99\x99\x99"}, // too short
    {"01ABFF", 2, FALSE, "\x99\x99\x99\x99"}, // too long
    {"01ABF", 3, FALSE, "\x99\x99\x99\x99"},  // odd length
    {"01ABF", 2, FALSE, "\x99\x99\x99\x99"},  // odd length, one too long
    {"01XBFF", 3, FALSE, "\x01\x99\x99\x99"}, // decoded up to the bad pair
    {"G1ABFF", 3, FALSE, "\x99\x99\x99\x99"}, // bad first digit
    {"01AB F", 3, FALSE, "\x01\xAB\x99\x99"}, // a space is no digit
    {"", 0, TRUE, "\x99\x99\x99\x99"},        // empty record
    {"01", 0, FALSE, "\x99\x99\x99\x99"},     // text for an empty record
};

TEST_F(IniReadTest, RecordsNeedExactlyTwoHexDigitsPerByte) {
    for (size_t row = 0; row < std::size(kRecordRows); ++row) {
        const RecordRow& r = kRecordRows[row];
        SCOPED_TRACE(row);
        m_dir.WriteFile(L"user.ini", std::string("[r]\r\nk=") + r.text + "\r\n");
        unsigned char record[4];
        std::memset(record, 0x99, sizeof record);
        EXPECT_EQ(iniGetStruct(L"r", L"k", record, r.size, Flags(1)), r.result);
        EXPECT_EQ(std::memcmp(record, r.recordAfter, 4), 0);
    }
}

TEST_F(IniReadTest, EmptyRecordSucceedsWhetherOrNotTheKeyExists) {
    int fromUser = kUntouched;
    EXPECT_TRUE(iniGetStruct(L"s", L"absent", nullptr, 0, Flags(0), nullptr, &fromUser));
    EXPECT_EQ(fromUser, 0);
}

// ---- Writes ------------------------------------------------------------------------------

struct WriteRow {
    bool userWritable, commonWritable;
    ULONG_PTR selector;
    BOOL stringResult;
    bool stringInUser, stringInCommon;
    BOOL structResult;
    bool structInUser, structInCommon;
};

const WriteRow kWriteRows[] = {
    // Flags 3: a text goes to both files and reports the common write; a record goes to the
    // user file and to the common file only when the user write failed.
    {true, true, 3, TRUE, true, true, TRUE, true, false},
    {false, true, 3, TRUE, false, true, TRUE, false, true},
    {true, false, 3, FALSE, true, false, TRUE, true, false},
    {false, false, 3, FALSE, false, false, FALSE, false, false},
    // Flag 1 alone reports success whatever the user file gave.
    {true, true, 1, TRUE, true, false, TRUE, true, false},
    {false, true, 1, TRUE, false, false, TRUE, false, false},
    {true, true, 0, TRUE, true, false, TRUE, true, false},
    {true, true, 2, TRUE, false, true, TRUE, false, true},
    {true, false, 2, FALSE, false, false, FALSE, false, false},
};

TEST_F(IniTest, WritesFollowTheSelector) {
    for (size_t row = 0; row < std::size(kWriteRows); ++row) {
        const WriteRow& r = kWriteRows[row];
        SCOPED_TRACE(row);
        tutest::TempDir dir;
        std::wstring user = r.userWritable ? dir / L"user.ini" : m_unwritable;
        std::wstring common = r.commonWritable ? dir / L"common.ini" : m_unwritable + L"2";
        iniSetDefaultFileName(0, user.c_str());
        ASSERT_EQ(iniSetDefaultFileName(1, common.c_str()), 0);

        const BYTE record[] = {0x5A};
        EXPECT_EQ(iniWriteString(L"w", L"text", L"v", Flags(r.selector)), r.stringResult);
        EXPECT_EQ(iniWriteStruct(L"w", L"record", record, 1, Flags(r.selector)), r.structResult);
        EXPECT_EQ(RawValue(user, L"w", L"text"), r.stringInUser ? L"v" : L"(absent)");
        EXPECT_EQ(RawValue(common, L"w", L"text"), r.stringInCommon ? L"v" : L"(absent)");
        EXPECT_EQ(RawValue(user, L"w", L"record"), r.structInUser ? L"5A" : L"(absent)");
        EXPECT_EQ(RawValue(common, L"w", L"record"), r.structInCommon ? L"5A" : L"(absent)");
    }
}

TEST_F(IniTest, WritesToTheSharedFileOnce) {
    ASSERT_EQ(iniSetDefaultFileName(1, m_user.c_str()), 1);
    EXPECT_TRUE(iniWriteString(L"w", L"text", L"v", Flags(3)));
    EXPECT_TRUE(iniWriteStruct(L"w", L"record", "\x01", 1, Flags(3)));
    EXPECT_EQ(RawValue(m_user, L"w", L"text"), L"v");

    ASSERT_EQ(iniSetDefaultFileName(0, m_unwritable.c_str()), 0);
    ASSERT_EQ(iniSetDefaultFileName(1, m_unwritable.c_str()), 1);
    EXPECT_FALSE(iniWriteStruct(L"w", L"record", "\x01", 1, Flags(3)));
    EXPECT_FALSE(iniWriteString(L"w", L"text", L"v", Flags(3)));
}

TEST_F(IniTest, ValuesKeepTheirTextForms) {
    const BYTE record[] = {0x01, 0xAB, 0xFF};
    ASSERT_TRUE(iniWriteStruct(L"v", L"record", record, 3, m_user.c_str()));
    ASSERT_TRUE(iniWriteInt(L"v", L"int", -2147483647 - 1, m_user.c_str()));
    ASSERT_TRUE(iniWriteDouble(L"v", L"quarter", 0.25, m_user.c_str()));
    ASSERT_TRUE(iniWriteDouble(L"v", L"thousand", 1000.0, m_user.c_str()));
    ASSERT_TRUE(iniWriteDouble(L"v", L"third", 1.0 / 3, m_user.c_str()));
    ASSERT_TRUE(iniWriteStruct(L"v", L"empty", nullptr, 0, m_user.c_str()));

    EXPECT_EQ(RawValue(m_user, L"v", L"record"), L"01ABFF");
    EXPECT_EQ(RawValue(m_user, L"v", L"int"), L"-2147483648");
    EXPECT_EQ(RawValue(m_user, L"v", L"quarter"), L"0.25");
    EXPECT_EQ(RawValue(m_user, L"v", L"third"), L"0.333333333333333");
    EXPECT_EQ(RawValue(m_user, L"v", L"empty"), L"");

    EXPECT_EQ(iniGetInt(L"v", L"int", 0, m_user.c_str()), -2147483647 - 1);
    EXPECT_EQ(iniGetDouble(L"v", L"thousand", 0, m_user.c_str()), 1000.0);
    BYTE back[3] = {};
    EXPECT_TRUE(iniGetStruct(L"v", L"record", back, 3, m_user.c_str()));
    EXPECT_EQ(std::memcmp(back, record, 3), 0);
}

TEST_F(IniTest, CreatedFilesAreUtf16WithByteOrderMark) {
    const wchar_t* value = L"Gr\u00fc\u00dfe \u2713 \u65e5\u672c";
    ASSERT_TRUE(iniWriteString(L"u", L"k", value, Flags(1)));
    std::string bytes = ReadBytes(m_user);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), std::string("\xFF\xFE"));
    std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    EXPECT_NE(text.find(std::wstring(L"k=") + value), std::wstring::npos);

    wchar_t back[32];
    EXPECT_EQ(iniGetString(L"u", L"k", nullptr, back, 32, Flags(1)), wcslen(value));
    EXPECT_STREQ(back, value);
}

TEST_F(IniTest, ExistingFilesKeepTheirEncoding) {
    m_dir.WriteFile(L"user.ini", "[a]\r\nk=1\r\n");
    ASSERT_TRUE(iniWriteString(L"a", L"k", L"2", Flags(1)));
    std::string bytes = ReadBytes(m_user);
    EXPECT_EQ(bytes.substr(0, 3), "[a]");
}

TEST_F(IniTest, NullValueRemovesTheKeyAndNullKeyTheSection) {
    m_dir.WriteFile(L"user.ini", "[a]\r\nk=1\r\nother=2\r\n[b]\r\nk=3\r\n");
    EXPECT_TRUE(iniWriteString(L"a", L"k", nullptr, m_user.c_str()));
    EXPECT_EQ(RawValue(m_user, L"a", L"k"), L"(absent)");
    EXPECT_EQ(RawValue(m_user, L"a", L"other"), L"2");

    EXPECT_TRUE(iniWriteString(L"a", nullptr, nullptr, m_user.c_str()));
    EXPECT_EQ(RawValue(m_user, L"a", L"other"), L"(absent)");
    EXPECT_EQ(RawValue(m_user, L"b", L"k"), L"3");

    // A number or a record always has a key: a null key is refused, not a removal.
    ::SetLastError(0xdeadbeef);
    EXPECT_FALSE(iniWriteInt(L"b", nullptr, 5, m_user.c_str()));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(iniWriteDouble(L"b", nullptr, 5, m_user.c_str()));
    EXPECT_FALSE(iniWriteStruct(L"b", nullptr, "x", 1, m_user.c_str()));
    EXPECT_EQ(RawValue(m_user, L"b", L"k"), L"3");
}

TEST_F(IniTest, MissingFolderIsNotCreated) {
    EXPECT_FALSE(iniWriteString(L"a", L"k", L"v", m_unwritable.c_str()));
    EXPECT_EQ(::GetFileAttributesW((m_dir / L"no such folder").c_str()), INVALID_FILE_ATTRIBUTES);
}

// ---- Resource ids ------------------------------------------------------------------------

TEST_F(IniTest, SectionKeyAndDefaultComeFromTheStringTable) {
    HINSTANCE module = ::GetModuleHandleW(nullptr);
    ASSERT_TRUE(iniWriteInt(Id(IDS_SECTION), Id(IDS_KEY), 640, Flags(1), module));
    EXPECT_EQ(RawValue(m_user, L"Window", L"Width"), L"640");
    EXPECT_EQ(iniGetInt(Id(IDS_SECTION), Id(IDS_KEY), 0, Flags(0), module), 640);
    EXPECT_EQ(iniGetDouble(Id(IDS_SECTION), L"Width", 0, Flags(0), module), 640.0);

    wchar_t text[64];
    EXPECT_EQ(iniGetString(Id(IDS_SECTION), Id(IDS_ABSENT_KEY), Id(IDS_DEFAULT), text, 64, Flags(0),
                           module),
              18u);
    EXPECT_STREQ(text, L"default from table");

    const BYTE record[] = {0x12, 0x34};
    ASSERT_TRUE(iniWriteStruct(L"Window", Id(IDS_ABSENT_KEY), record, 2, Flags(1), module));
    EXPECT_EQ(RawValue(m_user, L"Window", L"Height"), L"1234");
    BYTE back[2] = {};
    EXPECT_TRUE(iniGetStruct(Id(IDS_SECTION), Id(IDS_ABSENT_KEY), back, 2, Flags(1), module));
    EXPECT_EQ(back[1], 0x34);

    // Texts pass unchanged when a module is given.
    EXPECT_EQ(iniGetInt(L"Window", L"Width", 0, Flags(1), module), 640);
}

TEST_F(IniTest, AnIdWithoutAStringFailsTheCall) {
    HINSTANCE module = ::GetModuleHandleW(nullptr);
    m_dir.WriteFile(L"user.ini", "[Window]\r\nWidth=640\r\n");
    LPCWSTR missing = Id(IDS_MISSING);
    wchar_t text[16] = L"x";
    BYTE record = 0x99;
    EXPECT_EQ(iniGetInt(missing, Id(IDS_KEY), 5, Flags(1), module), 5);
    EXPECT_EQ(iniGetString(Id(IDS_SECTION), Id(IDS_KEY), missing, text, 16, Flags(1), module), 0u);
    EXPECT_STREQ(text, L"");
    EXPECT_EQ(iniGetDouble(Id(IDS_SECTION), missing, 2.5, Flags(1), module), 2.5);
    EXPECT_FALSE(iniGetStruct(missing, L"Width", &record, 1, Flags(1), module));
    EXPECT_EQ(record, 0x99);
    EXPECT_FALSE(iniWriteString(missing, L"k", L"v", Flags(1), module));
    EXPECT_FALSE(iniWriteInt(L"s", missing, 1, Flags(1), module));
    EXPECT_FALSE(iniWriteStruct(missing, L"k", &record, 1, Flags(1), module));
    EXPECT_EQ(RawValue(m_user, L"s", L"k"), L"(absent)");
}

// ---- Invalid input -----------------------------------------------------------------------

struct BadNameRow {
    LPCWSTR section;
    LPCWSTR key;
};

// Ids without a module, and null section or key.
const BadNameRow kBadNames[] = {
    {Id(IDS_SECTION), L"k"},
    {L"s", Id(IDS_KEY)},
    {nullptr, L"k"},
    {L"s", nullptr},
};

TEST_F(IniTest, NullNamesAndIdsWithoutModuleAreInvalid) {
    m_dir.WriteFile(L"user.ini", "[s]\r\nk=1\r\n");
    for (size_t row = 0; row < std::size(kBadNames); ++row) {
        const BadNameRow& r = kBadNames[row];
        SCOPED_TRACE(row);
        auto expectInvalid = [](const char* what) {
            EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << what;
            ::SetLastError(0xdeadbeef);
        };
        int fromUser = kUntouched;
        ::SetLastError(0xdeadbeef);
        EXPECT_EQ(iniGetInt(r.section, r.key, 5, Flags(0), nullptr, &fromUser), 5);
        expectInvalid("iniGetInt");
        wchar_t text[8];
        std::memset(text, 0xcc, sizeof text);
        EXPECT_EQ(iniGetString(r.section, r.key, L"d", text, 8, Flags(0), nullptr, &fromUser), 0u);
        EXPECT_STREQ(text, L"");
        expectInvalid("iniGetString");
        EXPECT_EQ(iniGetDouble(r.section, r.key, 2.5, Flags(0), nullptr, &fromUser), 2.5);
        expectInvalid("iniGetDouble");
        BYTE record = 0x99;
        EXPECT_FALSE(iniGetStruct(r.section, r.key, &record, 1, Flags(0), nullptr, &fromUser));
        expectInvalid("iniGetStruct");
        EXPECT_EQ(fromUser, kUntouched);
        EXPECT_FALSE(iniWriteInt(r.section, r.key, 2, Flags(1)));
        expectInvalid("iniWriteInt");
        EXPECT_FALSE(iniWriteStruct(r.section, r.key, &record, 1, Flags(1)));
        expectInvalid("iniWriteStruct");
        if (r.key) { // a null key is a section removal for iniWriteString
            EXPECT_FALSE(iniWriteString(r.section, r.key, L"2", Flags(1)));
            expectInvalid("iniWriteString");
        }
    }
    EXPECT_EQ(RawValue(m_user, L"s", L"k"), L"1");
}

TEST_F(IniTest, BuffersAndRecordsOutsideTheirLimitsAreRefused) {
    wchar_t text[4] = L"abc";
    ::SetLastError(0xdeadbeef);
    EXPECT_EQ(iniGetString(L"s", L"k", L"d", text, 0, Flags(0)), 0u);
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_STREQ(text, L"abc");
    ::SetLastError(0xdeadbeef);
    EXPECT_EQ(iniGetString(L"s", L"k", L"d", nullptr, 4, Flags(0)), 0u);
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    ::SetLastError(0xdeadbeef);
    EXPECT_FALSE(iniGetStruct(L"s", L"k", nullptr, 4, Flags(0)));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(iniWriteStruct(L"s", L"k", nullptr, 4, Flags(1)));
    BYTE record[4] = {};
    EXPECT_FALSE(iniGetStruct(L"s", L"k", record, 0xFFFFFFFFu, Flags(0)));
    EXPECT_FALSE(iniWriteStruct(L"s", L"k", record, 0xFFFFFFFFu, Flags(1)));
    EXPECT_EQ(::GetFileAttributesW(m_user.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(IniTest, VeryLongSectionKeyAndValueRoundTrip) {
    const std::wstring section(2000, L's'), key(3000, L'k'), value(40000, L'v');
    ASSERT_TRUE(iniWriteString(section.c_str(), key.c_str(), value.c_str(), Flags(1)));
    std::vector<wchar_t> buffer(value.size() + 1, 0xcc);
    int fromUser = kUntouched;
    EXPECT_EQ(iniGetString(section.c_str(), key.c_str(), nullptr, buffer.data(),
                           static_cast<DWORD>(buffer.size()), Flags(0), nullptr, &fromUser),
              value.size());
    EXPECT_EQ(std::wstring(buffer.data()), value);
    EXPECT_EQ(fromUser, 1);
    // Cut by one character.
    EXPECT_EQ(iniGetString(section.c_str(), key.c_str(), nullptr, buffer.data(),
                           static_cast<DWORD>(value.size()), Flags(0)),
              value.size() - 1);
    EXPECT_EQ(iniGetInt(section.c_str(), key.c_str(), 3, Flags(0)), 0); // text, no number
}

TEST_F(IniTest, LongDefaultNamesAreCut) {
    const std::wstring longName(400, L'n');
    iniSetDefaultFileName(0, longName.c_str());
    EXPECT_EQ(std::wstring(iniGetDefaultFileName(0)), longName.substr(0, MAX_PATH - 1));
    // The library's own text may be handed back.
    EXPECT_EQ(iniSetDefaultFileName(1, iniGetDefaultFileName(0)), 1);
    EXPECT_EQ(std::wstring(iniGetDefaultFileName(1)), longName.substr(0, MAX_PATH - 1));
}

TEST_F(IniTest, EmptyDefaultNameHoldsNothingAndTakesNoWrites) {
    iniSetDefaultFileName(0, L"");
    m_dir.WriteFile(L"common.ini", "[s]\r\nk=22\r\n");
    int fromUser = kUntouched;
    EXPECT_EQ(iniGetInt(L"s", L"k", 99, Flags(0), nullptr, &fromUser), 22);
    EXPECT_EQ(fromUser, 0);
    EXPECT_FALSE(iniWriteString(L"s", L"k", L"v", L""));
    // The record's user write fails, so it goes to the common file.
    EXPECT_TRUE(iniWriteStruct(L"s", L"r", "\x01", 1, Flags(3)));
    EXPECT_EQ(RawValue(m_common, L"s", L"r"), L"01");
}

} // namespace
