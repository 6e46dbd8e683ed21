// INI settings against the platform's profile functions, default files in a fresh folder: reads,
// the flag out, writes through each selector, value encodings, resource ids and invalid input.
#include "tuSettings.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

namespace {

LPCWSTR Flags(ULONG_PTR flags) {
    return reinterpret_cast<LPCWSTR>(flags);
}

const int kUntouched = -7; // the flag out before a call
const DWORD kInvalid = ERROR_INVALID_PARAMETER;
// Ids of the test program's string table; kMissing has no string.
const LPCWSTR kSection = MAKEINTRESOURCEW(100), kKey = MAKEINTRESOURCEW(101),
              kDefault = MAKEINTRESOURCEW(102), kAbsentKey = MAKEINTRESOURCEW(103),
              kMissing = MAKEINTRESOURCEW(999);

// The text of a key as the platform reads it, "-" when the key is missing.
std::wstring RawValue(const std::wstring& file, const wchar_t* section, const wchar_t* key) {
    wchar_t value[64];
    ::GetPrivateProfileStringW(section, key, L"-", value, 64, file.c_str());
    return value;
}

// Names the default files; returns the same-file flag.
int SetDefaultFiles(const std::wstring& user, const std::wstring& common) {
    iniSetDefaultFileName(0, user.c_str());
    return iniSetDefaultFileName(1, common.c_str());
}

// Points both default files into a fresh folder for one test, then back at the program's own.
struct IniTest : ::testing::Test {
    void SetUp() override { EXPECT_EQ(SetDefaultFiles(m_user, m_common), 0); }
    void TearDown() override { SetDefaultFiles(m_savedUser, m_savedCommon); }

    const std::wstring m_savedUser = iniGetDefaultFileName(0),
                       m_savedCommon = iniGetDefaultFileName(1);
    tutest::TempDir m_dir;
    const std::wstring m_user = m_dir / L"user.ini", m_common = m_dir / L"common.ini";
    const std::wstring m_unwritable = m_dir / L"no such folder\\settings.ini";
};

// Values 11 come from the user file, 22 from the common file, 99 is the caller's default.
TEST_F(IniTest, EveryReaderFallsBackFromUserToCommon) {
    m_dir.WriteFile(L"user.ini", "[s]\r\nboth=11\r\nonlyUser=11\r\nzero=0\r\nempty=\r\n"
                                 "user=abcdef\r\n");
    m_dir.WriteFile(L"common.ini", "[s]\r\nboth=22\r\nonlyCommon=22\r\nzero=5\r\nempty=9\r\n"
                                   "common=ghijkl\r\n");
    const LPCWSTR user = m_user.c_str(), common = m_common.c_str();
    // Rows: file or selector, key, value, flag out.
    const std::tuple<LPCWSTR, const wchar_t*, int, int> rows[] = {
        {Flags(0), L"both", 11, 1},          {Flags(0), L"onlyCommon", 22, 0},
        {Flags(0), L"absent", 99, 0},        {Flags(3), L"onlyCommon", 22, 0},
        {Flags(1), L"both", 11, 1},          {Flags(1), L"onlyCommon", 99, 0},
        {Flags(2), L"both", 22, kUntouched}, {Flags(2), L"onlyUser", 99, kUntouched},
        {user, L"both", 11, kUntouched},     {user, L"onlyCommon", 99, kUntouched},
        {common, L"both", 22, kUntouched},
    };
    for (size_t row = 0; row < std::size(rows); ++row) {
        SCOPED_TRACE(row);
        const auto& [file, key, expected, flag] = rows[row];
        int fromUser[4] = {kUntouched, kUntouched, kUntouched, kUntouched};
        wchar_t text[16];
        BYTE record = 0x99; // the texts 11 and 22 are the one-byte records 0x11 and 0x22
        EXPECT_EQ(iniGetInt(L"s", key, 99, file, nullptr, &fromUser[0]), expected);
        EXPECT_EQ(iniGetString(L"s", key, L"99", text, 16, file, nullptr, &fromUser[1]), 2u);
        EXPECT_EQ(std::wstring(text), std::to_wstring(expected));
        EXPECT_EQ(iniGetDouble(L"s", key, 99.0, file, nullptr, &fromUser[2]), expected);
        EXPECT_EQ(iniGetStruct(L"s", key, &record, 1, file, nullptr, &fromUser[3]), expected != 99);
        EXPECT_EQ(record, expected == 99 ? 0x99 : expected / 11 * 0x11);
        EXPECT_EQ(std::vector<int>(fromUser, fromUser + 4), std::vector<int>(4, flag));
    }

    // A 0 in the user file hides the common value.
    int fromUser = kUntouched;
    EXPECT_EQ(iniGetInt(L"s", L"zero", 7, Flags(0), nullptr, &fromUser), 0);
    EXPECT_EQ(fromUser, 1);
    // An empty user text is no number: the integer falls back to the common file, while the
    // double, read as a text, stops at the empty user text.
    EXPECT_EQ(iniGetInt(L"s", L"empty", 7, Flags(0), nullptr, &fromUser), 9);
    EXPECT_EQ(fromUser, 0);
    EXPECT_EQ(iniGetDouble(L"s", L"empty", 7, Flags(0), nullptr, &fromUser), 7);
    EXPECT_EQ(fromUser, 1);

    // Texts are cut to the buffer, from either file or the default; an empty user text hides the
    // common one. Rows: key, buffer size, text, flag out.
    const std::tuple<const wchar_t*, DWORD, std::wstring, int> cuts[] = {
        {L"empty", 8, L"", 1},
        {L"user", 6, L"abcde", 1},
        {L"common", 1, L"", 0},
        {L"absent", 6, L"mnopq", 0}};
    for (const auto& [key, size, expected, flag] : cuts) {
        SCOPED_TRACE(tutest::Narrow(key));
        tutest::GuardedBuffer buffer(size);
        fromUser = kUntouched;
        EXPECT_EQ(
            iniGetString(L"s", key, L"mnopqr", buffer.Data(), size, Flags(0), nullptr, &fromUser),
            expected.size());
        EXPECT_EQ(buffer.Text(), expected);
        EXPECT_TRUE(buffer.GuardIntact());
        EXPECT_EQ(fromUser, flag);
    }
}

TEST_F(IniTest, SameFileIsNeverAFallback) {
    m_dir.WriteFile(L"user.ini", "[s]\r\nk=11\r\n");
    EXPECT_EQ(iniSetDefaultFileName(1, m_user.c_str()), 1);
    EXPECT_EQ(iniGetInt(L"s", L"absent", 99, Flags(0)), 99);
    EXPECT_EQ(iniGetInt(L"s", L"k", 99, Flags(2)), 11);
    // Names are compared exactly: another case is another name.
    EXPECT_EQ(iniSetDefaultFileName(1, (m_dir.Path() + L"\\USER.INI").c_str()), 0);
}

TEST_F(IniTest, DoublesNeedADigitAfterSignAndPoint) {
    // Rows: text, value (-99 is the default).
    const std::pair<const char*, double> rows[] = {
        {".25", 0.25}, {"-.5", -0.5}, {"+.5e1", 5}, {"1e3", 1000}, {"3.5x", 3.5},
        {"x1", -99},   {"-", -99},    {".", -99},   {"-.x", -99},  {"", -99}};
    for (const auto& [text, expected] : rows) {
        m_dir.WriteFile(L"user.ini", std::string("[d]\r\nk=") + text + "\r\n");
        EXPECT_EQ(iniGetDouble(L"d", L"k", -99, Flags(1)), expected) << text;
    }
    ASSERT_TRUE(iniWriteDouble(L"d", L"k", 1.0 / 3, Flags(1)));
    EXPECT_EQ(RawValue(m_user, L"d", L"k"), L"0.333333333333333");
}

TEST_F(IniTest, RecordsNeedExactlyTwoHexDigitsPerByte) {
    // Rows: text, record size, result, the 4-byte record after the call (0x99 before).
    const std::tuple<const char*, UINT, BOOL, const char*> rows[] = {
        {"01ABFF", 3, TRUE, "\x01\xAB\xFF\x99"},  {"01abff", 3, TRUE, "\x01\xAB\xFF\x99"},
        {"01ABFF", 4, FALSE, "\x99\x99\x99\x99"}, {"01ABFF", 2, FALSE, "\x99\x99\x99\x99"},
        {"01ABF", 3, FALSE, "\x99\x99\x99\x99"},  {"01ABF", 2, FALSE, "\x99\x99\x99\x99"},
        {"01XBFF", 3, FALSE, "\x01\x99\x99\x99"}, {"01AB F", 3, FALSE, "\x01\xAB\x99\x99"},
        {"", 0, TRUE, "\x99\x99\x99\x99"},        {"01", 0, TRUE, "\x99\x99\x99\x99"},
    };
    for (size_t row = 0; row < std::size(rows); ++row) {
        SCOPED_TRACE(row);
        const auto& [text, size, result, after] = rows[row];
        m_dir.WriteFile(L"user.ini", std::string("[r]\r\nk=") + text + "\r\n");
        char record[4] = {'\x99', '\x99', '\x99', '\x99'};
        EXPECT_EQ(iniGetStruct(L"r", L"k", record, size, Flags(1)), result);
        EXPECT_EQ(std::memcmp(record, after, 4), 0);
    }
    ASSERT_TRUE(iniWriteStruct(L"r", L"k", "\x01\xAB\xFF", 3, Flags(1)));
    EXPECT_EQ(RawValue(m_user, L"r", L"k"), L"01ABFF");
}

TEST_F(IniTest, WritesFollowTheSelector) {
    // Flags 3 write a text to both files and report the common write, a record to the common file
    // only when the user write failed; a user-only write always succeeds. Rows: files writable,
    // selector, text and record results, the text in the user and common file, the record in each.
    const std::tuple<bool, bool, ULONG_PTR, BOOL, BOOL, const wchar_t*> rows[] = {
        {true, true, 3, TRUE, TRUE, L"v v 5A -"},   {false, true, 3, TRUE, TRUE, L"- v - 5A"},
        {true, false, 3, FALSE, TRUE, L"v - 5A -"}, {false, false, 3, FALSE, FALSE, L"- - - -"},
        {false, true, 1, TRUE, TRUE, L"- - - -"},   {true, true, 0, TRUE, TRUE, L"v - 5A -"},
        {true, true, 2, TRUE, TRUE, L"- v - 5A"},   {true, false, 2, FALSE, FALSE, L"- - - -"},
    };
    for (size_t row = 0; row < std::size(rows); ++row) {
        SCOPED_TRACE(row);
        const auto& [userWritable, commonWritable, selector, textResult, recordResult, contents] =
            rows[row];
        tutest::TempDir dir;
        const std::wstring user = userWritable ? dir / L"user.ini" : m_unwritable;
        const std::wstring common = commonWritable ? dir / L"common.ini" : m_unwritable + L"2";
        ASSERT_EQ(SetDefaultFiles(user, common), 0);
        EXPECT_EQ(iniWriteString(L"w", L"text", L"v", Flags(selector)), textResult);
        EXPECT_EQ(iniWriteStruct(L"w", L"record", "\x5A", 1, Flags(selector)), recordResult);
        EXPECT_EQ(RawValue(user, L"w", L"text") + L" " + RawValue(common, L"w", L"text") + L" " +
                      RawValue(user, L"w", L"record") + L" " + RawValue(common, L"w", L"record"),
                  contents);
    }
    // With one shared file a failed user write is final for a record.
    ASSERT_EQ(SetDefaultFiles(m_unwritable, m_unwritable), 1);
    EXPECT_FALSE(iniWriteStruct(L"w", L"record", "\x5A", 1, Flags(3)));
    EXPECT_EQ(::GetFileAttributesW((m_dir / L"no such folder").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(IniTest, CreatedFilesAreUtf16WithByteOrderMark) {
    const std::wstring value = L"Gr\u00fc\u00dfe \u2713 \u65e5\u672c";
    ASSERT_TRUE(iniWriteString(L"u", L"k", value.c_str(), Flags(1)));
    ASSERT_TRUE(iniWriteInt(L"u", L"n", 5, m_common.c_str()));
    for (const std::wstring& file : {m_user, m_common}) {
        wchar_t head[2] = {};
        FILE* in = _wfopen(file.c_str(), L"rb");
        ASSERT_NE(in, nullptr);
        EXPECT_EQ(std::fread(head, sizeof(wchar_t), 2, in), 2u);
        std::fclose(in);
        EXPECT_EQ(std::wstring(head, 2), L"\xFEFF[");
    }
    EXPECT_EQ(RawValue(m_user, L"u", L"k"), value);
}

TEST_F(IniTest, NullValueRemovesTheKeyAndNullKeyTheSection) {
    m_dir.WriteFile(L"user.ini", "[a]\r\nk=1\r\nother=2\r\n[b]\r\nk=3\r\n");
    EXPECT_TRUE(iniWriteString(L"a", L"k", nullptr, Flags(1)));
    EXPECT_EQ(RawValue(m_user, L"a", L"k") + RawValue(m_user, L"a", L"other"), L"-2");
    EXPECT_TRUE(iniWriteString(L"a", nullptr, nullptr, Flags(1)));
    EXPECT_EQ(RawValue(m_user, L"a", L"other") + RawValue(m_user, L"b", L"k"), L"-3");
}

TEST_F(IniTest, SectionKeyAndDefaultComeFromTheStringTable) {
    HINSTANCE module = ::GetModuleHandleW(nullptr);
    ASSERT_TRUE(iniWriteInt(kSection, kKey, 640, Flags(1), module));
    EXPECT_EQ(RawValue(m_user, L"Window", L"Width"), L"640");
    EXPECT_EQ(iniGetInt(kSection, kKey, 0, Flags(0), module), 640);
    EXPECT_EQ(iniGetInt(L"Window", L"Width", 0, Flags(0), module), 640); // texts stay texts
    wchar_t text[64];
    EXPECT_EQ(iniGetString(kSection, kAbsentKey, kDefault, text, 64, Flags(0), module), 18u);
    EXPECT_STREQ(text, L"default from table");

    // An id without a string fails the call.
    EXPECT_EQ(iniGetInt(kSection, kMissing, 5, Flags(0), module), 5);
    EXPECT_EQ(iniGetString(kSection, kKey, kMissing, text, 64, Flags(0), module), 0u);
    EXPECT_STREQ(text, L"");
    EXPECT_FALSE(iniWriteString(kMissing, L"k", L"v", Flags(1), module));
    EXPECT_EQ(RawValue(m_user, L"Window", L"Width"), L"640");
}

TEST_F(IniTest, NullNamesAndIdsWithoutModuleAreInvalid) {
    m_dir.WriteFile(L"user.ini", "[s]\r\nk=1\r\n");
    const LPCWSTR names[][2] = {{kSection, L"k"}, {L"s", kKey}, {nullptr, L"k"}, {L"s", nullptr}};
    for (const auto& name : names) {
        LPCWSTR section = name[0], key = name[1];
        int fromUser = kUntouched;
        wchar_t text[8] = L"x"; // emptied
        BYTE record = 0x99;
        const std::function<bool()> calls[] = {
            [&] { return iniGetInt(section, key, 5, Flags(0), nullptr, &fromUser) == 5; },
            [&] {
                return !iniGetString(section, key, L"d", text, 8, Flags(0), nullptr, &fromUser);
            },
            [&] { return !iniGetStruct(section, key, &record, 1, Flags(0), nullptr, &fromUser); },
            [&] { return !iniWriteInt(section, key, 2, Flags(1)); },
            [&] { return !iniWriteStruct(section, key, &record, 1, Flags(1)); },
            [&] { return !iniWriteString(section, key, L"2", Flags(1)); },
        };
        for (size_t call = 0; call < std::size(calls); ++call) {
            SCOPED_TRACE(testing::Message() << (&name - names) << " call " << call);
            if (!key && call == 5)
                continue; // a null key is a section removal for iniWriteString
            ::SetLastError(0xdeadbeef);
            EXPECT_TRUE(calls[call]());
            EXPECT_EQ(::GetLastError(), kInvalid);
        }
        EXPECT_EQ(fromUser, kUntouched);
        EXPECT_EQ(record, 0x99);
        EXPECT_EQ(text[0], L'\0');
    }
    EXPECT_EQ(RawValue(m_user, L"s", L"k"), L"1");
}

TEST_F(IniTest, BuffersAndRecordsOutsideTheirLimitsAreRefused) {
    wchar_t text[4] = L"abc";
    ::SetLastError(0xdeadbeef);
    EXPECT_EQ(iniGetString(L"s", L"k", L"d", text, 0, Flags(0)), 0u);
    EXPECT_EQ(::GetLastError(), kInvalid);
    EXPECT_STREQ(text, L"abc");
    ::SetLastError(0xdeadbeef);
    EXPECT_FALSE(iniGetStruct(L"s", L"k", nullptr, 4, Flags(0)));
    EXPECT_EQ(::GetLastError(), kInvalid);
    EXPECT_FALSE(iniWriteStruct(L"s", L"k", text, 0xFFFFFFFFu, Flags(1)));
    EXPECT_TRUE(iniGetStruct(L"s", L"absent", nullptr, 0, Flags(0))); // an empty record
}

TEST_F(IniTest, VeryLongSectionKeyAndValueRoundTrip) {
    const std::wstring section(2000, L's'), key(3000, L'k'), value(40000, L'v');
    ASSERT_TRUE(iniWriteString(section.c_str(), key.c_str(), value.c_str(), Flags(1)));
    std::vector<wchar_t> buffer(value.size() + 1);
    EXPECT_EQ(iniGetString(section.c_str(), key.c_str(), nullptr, buffer.data(), buffer.size()),
              value.size());
    EXPECT_EQ(std::wstring(buffer.data()), value);
}

} // namespace
