// Long names: conversion of 8.3 short names by the system and by hand, and module paths.
#include "tuFileSys.h"

#include "os/LongNames.h"

#include "OsTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using tutest::Narrow;

std::wstring ShortPath(const std::wstring& path) {
    wchar_t buffer[MAX_PATH] = L"";
    ::GetShortPathNameW(path.c_str(), buffer, MAX_PATH);
    return buffer;
}

// A folder and a file with long names, and their short paths.
class LongNames : public ::testing::Test {
protected:
    LongNames() {
        ::CreateDirectoryW(m_folder.c_str(), nullptr);
        m_dir.WriteFile(L"Long Folder Name Here\\Another long file.document", "x");
        m_shortFolder = ShortPath(m_folder);
        m_shortFile = ShortPath(m_file);
    }

    tutest::TempDir m_dir;
    std::wstring m_folder = m_dir / L"Long Folder Name Here";
    std::wstring m_file = m_folder + L"\\Another long file.document";
    std::wstring m_shortFolder, m_shortFile;
    DWORD m_exact = static_cast<DWORD>(m_file.size() + 1);
};

TEST_F(LongNames, SystemConversionGivesTheFullLongPathOrFails) {
    ASSERT_NE(m_shortFile.find(L'~'), std::wstring::npos) << Narrow(m_shortFile);
    ostest::CurrentDirectoryKeeper keeper;
    ::SetCurrentDirectoryW(m_dir.Path().c_str());
    struct Row {
        std::wstring path;
        DWORD size;
        DWORD result; // 0: fails, keeping the full path
    };
    std::vector<Row> rows = {
        {m_shortFile, MAX_PATH, m_exact - 1},
        {m_shortFile.substr(ShortPath(m_dir.Path()).size() + 1), MAX_PATH, m_exact - 1},
        {m_shortFile, m_exact, m_exact - 1},
        {m_shortFile, m_exact - 1, 0},
        {m_shortFile, 0, 0},
        {L"", MAX_PATH, 0},
    };
    for (size_t length : ostest::kLongLengths)
        rows.push_back({ostest::PathOfLength(m_shortFolder, length), DWORD(length + 1), 0});
    for (const Row& row : rows) {
        SCOPED_TRACE(Narrow(row.path) + " size " + std::to_string(row.size));
        ostest::GuardedBuffer buffer(
            row.path.size() + 1 > row.size ? row.path.size() + 1 : row.size, row.path);
        EXPECT_EQ(osCvtToLongFileName(buffer.get(), row.size), row.result);
        EXPECT_EQ(buffer.text(),
                  row.result ? m_file : (row.size ? row.path.substr(0, row.size - 1) : row.path));
        EXPECT_TRUE(buffer.GuardIntact());
    }
    EXPECT_EQ(osCvtToLongFileName(nullptr, MAX_PATH), 0u);
}

TEST_F(LongNames, ConversionByHandReplacesEveryShortComponent) {
    struct Row {
        std::wstring path;
        DWORD size;
        BOOL converted;
        std::wstring result;
    };
    std::vector<Row> rows = {
        {m_shortFile, MAX_PATH, TRUE, m_file},
        {m_shortFolder + L"\\", MAX_PATH, TRUE, m_folder + L"\\"},
        {L"relative\\no tilde", MAX_PATH, TRUE, L"relative\\no tilde"},
        {L"LONG~1\\x", MAX_PATH, FALSE, L"LONG~1\\x"},
        // What was converted before an unknown component is kept, with the rest of the path.
        {m_shortFolder + L"\\MISSIN~1\\x", MAX_PATH, TRUE, m_folder + L"\\MISSIN~1\\x"},
        {m_dir / L"NOSUCH~1\\x", MAX_PATH, FALSE, m_dir / L"NOSUCH~1\\x"},
        {m_shortFile, m_exact, TRUE, m_file},
        {m_shortFile, m_exact - 1, FALSE, m_shortFile},
        {m_shortFile, 0, FALSE, m_shortFile},
    };
    // Paths below the limit have their first component converted and the rest kept.
    for (size_t length : ostest::kLongLengths) {
        std::wstring path = ostest::PathOfLength(m_shortFolder, length);
        rows.push_back({path, 2000, length < MAX_PATH,
                        length < MAX_PATH ? m_folder + path.substr(m_shortFolder.size()) : path});
    }
    for (const Row& row : rows) {
        SCOPED_TRACE(Narrow(row.path) + " size " + std::to_string(row.size));
        ostest::GuardedBuffer buffer(row.size > row.path.size() ? row.size : MAX_PATH, row.path);
        EXPECT_EQ(tu::os::ConvertToLongNameByHand(buffer.get(), row.size), row.converted);
        EXPECT_EQ(buffer.text(), row.result);
        EXPECT_TRUE(buffer.GuardIntact());
    }
    EXPECT_FALSE(tu::os::ConvertToLongNameByHand(nullptr, MAX_PATH));
}

TEST_F(LongNames, ModulePathsAreFullLongAndCutToTheBuffer) {
    std::wstring copy = m_folder + L"\\Sample Module Copy.dll";
    ASSERT_TRUE(::CopyFileW((tutest::BinDir() + L"\\BaseKit.dll").c_str(), copy.c_str(), FALSE));
    HMODULE module = ::LoadLibraryW(ShortPath(copy).c_str());
    ASSERT_NE(module, nullptr);
    ostest::GuardedBuffer loaded(MAX_PATH);
    EXPECT_NE(osGetModuleFileName(module, loaded.get(), MAX_PATH), 0u);
    EXPECT_EQ(loaded.text(), copy);
    ::FreeLibrary(module);

    wchar_t program[MAX_PATH];
    DWORD length = ::GetModuleFileNameW(nullptr, program, MAX_PATH);
    for (DWORD size : {DWORD{MAX_PATH}, length + 1, length, DWORD{5}, DWORD{1}}) {
        SCOPED_TRACE(size);
        ostest::GuardedBuffer buffer(size);
        EXPECT_NE(osGetModuleFileName(nullptr, buffer.get(), size), 0u);
        EXPECT_EQ(buffer.text(), std::wstring(program).substr(0, size - 1));
        EXPECT_TRUE(buffer.GuardIntact());
    }
    ostest::GuardedBuffer unused(1);
    EXPECT_EQ(osGetModuleFileName(nullptr, unused.get(), 0), 0u);
    EXPECT_TRUE(unused.GuardIntact());
    EXPECT_EQ(osGetModuleFileName(nullptr, nullptr, MAX_PATH), 0u);
    ostest::GuardedBuffer unknown(MAX_PATH);
    EXPECT_EQ(osGetModuleFileName(reinterpret_cast<HMODULE>(0x1230000), unknown.get(), MAX_PATH),
              0u);
    EXPECT_EQ(unknown.text(), L"");
}

} // namespace
