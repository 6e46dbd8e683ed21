// Long names: conversion of 8.3 short names by the system and by hand, and module paths.
#include "tuFileSys.h"

#include "os/LongNames.h"

#include "OsTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using tutest::Narrow;

// A folder and a file with long names, and the short path of the file.
class LongNames : public ::testing::Test {
protected:
    LongNames() {
        ::CreateDirectoryW(m_folder.c_str(), nullptr);
        m_dir.WriteFile(L"Long Folder Name Here\\Another long file.document", "x");
        m_shortFile = ShortPath(m_file);
        m_shortFolder = ShortPath(m_folder);
    }

    static std::wstring ShortPath(const std::wstring& path) {
        wchar_t buffer[MAX_PATH] = L"";
        ::GetShortPathNameW(path.c_str(), buffer, MAX_PATH);
        return buffer;
    }

    tutest::TempDir m_dir;
    std::wstring m_folder = m_dir / L"Long Folder Name Here";
    std::wstring m_file = m_folder + L"\\Another long file.document";
    std::wstring m_shortFile, m_shortFolder;
};

TEST_F(LongNames, SystemConversionGivesTheFullLongPath) {
    ASSERT_NE(m_shortFile.find(L'~'), std::wstring::npos) << Narrow(m_shortFile);
    ostest::CurrentDirectoryKeeper keeper;
    ::SetCurrentDirectoryW(m_dir.Path().c_str());
    std::wstring relative = m_shortFile.substr(ShortPath(m_dir.Path()).size() + 1);
    for (const std::wstring& path : {m_shortFile, relative}) {
        SCOPED_TRACE(Narrow(path));
        ostest::GuardedBuffer buffer(MAX_PATH, path);
        EXPECT_EQ(osCvtToLongFileName(buffer.get(), MAX_PATH), m_file.size());
        EXPECT_EQ(buffer.text(), m_file);
        EXPECT_TRUE(buffer.GuardIntact());
    }
}

TEST_F(LongNames, ALongNameThatDoesNotFitLeavesTheFullPath) {
    DWORD exact = static_cast<DWORD>(m_file.size() + 1);
    ostest::GuardedBuffer fits(exact, m_shortFile);
    EXPECT_EQ(osCvtToLongFileName(fits.get(), exact), m_file.size());
    EXPECT_EQ(fits.text(), m_file);
    EXPECT_TRUE(fits.GuardIntact());

    ostest::GuardedBuffer tooSmall(exact - 1, m_shortFile);
    EXPECT_EQ(osCvtToLongFileName(tooSmall.get(), exact - 1), 0u);
    EXPECT_EQ(tooSmall.text(), m_shortFile);
    EXPECT_TRUE(tooSmall.GuardIntact());
}

TEST_F(LongNames, BadInputFails) {
    ostest::GuardedBuffer empty(MAX_PATH, L"");
    EXPECT_EQ(osCvtToLongFileName(nullptr, MAX_PATH), 0u);
    EXPECT_EQ(osCvtToLongFileName(empty.get(), MAX_PATH), 0u);
    ostest::GuardedBuffer zeroSize(MAX_PATH, m_shortFile);
    EXPECT_EQ(osCvtToLongFileName(zeroSize.get(), 0), 0u);
    EXPECT_EQ(zeroSize.text(), m_shortFile);
    for (size_t length : ostest::kLongLengths) {
        SCOPED_TRACE(length);
        std::wstring path = ostest::PathOfLength(m_shortFolder, length);
        ostest::GuardedBuffer buffer(length + 1, path);
        EXPECT_EQ(osCvtToLongFileName(buffer.get(), buffer.size()), 0u);
        EXPECT_TRUE(buffer.Terminated());
        EXPECT_TRUE(buffer.GuardIntact());
        // Claiming a smaller buffer than the text needs fails without writing past the claim.
        ostest::GuardedBuffer claimed(length + 1, path);
        EXPECT_EQ(osCvtToLongFileName(claimed.get(), MAX_PATH - 1), 0u);
        EXPECT_TRUE(claimed.GuardIntact());
    }
}

TEST_F(LongNames, ConversionByHandReplacesEveryShortComponent) {
    struct Row {
        std::wstring path;
        DWORD size;
        BOOL converted;
        std::wstring result;
    };
    std::wstring missing = m_shortFolder + L"\\MISSIN~1\\x.txt";
    const Row rows[] = {
        {m_shortFile, MAX_PATH, TRUE, m_file},
        {m_shortFolder, MAX_PATH, TRUE, m_folder},
        {m_shortFolder + L"\\", MAX_PATH, TRUE, m_folder + L"\\"},
        {m_dir.Path(), MAX_PATH, TRUE, m_dir.Path()},
        {L"relative\\no tilde", MAX_PATH, TRUE, L"relative\\no tilde"},
        {L"LONG~1\\x", MAX_PATH, FALSE, L"LONG~1\\x"},
        // What was converted before an unknown component is kept, with the rest of the path.
        {missing, MAX_PATH, TRUE, m_folder + L"\\MISSIN~1\\x.txt"},
        {m_dir / L"NOSUCH~1\\x", MAX_PATH, FALSE, m_dir / L"NOSUCH~1\\x"},
        {m_shortFile, static_cast<DWORD>(m_file.size() + 1), TRUE, m_file},
        {m_shortFile, static_cast<DWORD>(m_file.size()), FALSE, m_shortFile},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Narrow(row.path) + " size " + std::to_string(row.size));
        ostest::GuardedBuffer buffer(row.size > row.path.size() ? row.size : MAX_PATH, row.path);
        EXPECT_EQ(tu::os::ConvertToLongNameByHand(buffer.get(), row.size), row.converted);
        EXPECT_EQ(buffer.text(), row.result);
        EXPECT_TRUE(buffer.GuardIntact());
    }
}

TEST_F(LongNames, ConversionByHandRefusesLongAndMissingPaths) {
    EXPECT_FALSE(tu::os::ConvertToLongNameByHand(nullptr, MAX_PATH));
    ostest::GuardedBuffer zeroSize(MAX_PATH, m_shortFile);
    EXPECT_FALSE(tu::os::ConvertToLongNameByHand(zeroSize.get(), 0));
    EXPECT_EQ(zeroSize.text(), m_shortFile);
    for (size_t length : ostest::kLongLengths) {
        SCOPED_TRACE(length);
        std::wstring path = ostest::PathOfLength(m_shortFolder, length);
        ostest::GuardedBuffer buffer(2000, path);
        // Below the limit only the first component is known: it is converted and the rest kept.
        BOOL converted = tu::os::ConvertToLongNameByHand(buffer.get(), buffer.size());
        EXPECT_EQ(!!converted, length < MAX_PATH);
        EXPECT_EQ(buffer.text(), converted ? m_folder + path.substr(m_shortFolder.size()) : path);
        EXPECT_TRUE(buffer.GuardIntact());
    }
}

TEST(ModuleFileName, FullLongPathOfLoadedModules) {
    wchar_t expected[MAX_PATH];
    DWORD length = ::GetModuleFileNameW(nullptr, expected, MAX_PATH);
    ostest::GuardedBuffer buffer(MAX_PATH);
    EXPECT_EQ(osGetModuleFileName(nullptr, buffer.get(), MAX_PATH), length);
    EXPECT_EQ(buffer.text(), expected);

    HMODULE library = ::GetModuleHandleW(L"tarnUtil.dll");
    ostest::GuardedBuffer libraryPath(MAX_PATH);
    EXPECT_NE(osGetModuleFileName(library, libraryPath.get(), MAX_PATH), 0u);
    EXPECT_EQ(libraryPath.text(), tutest::BinDir() + L"\\tarnUtil.dll");
}

TEST_F(LongNames, ModuleLoadedThroughAShortPathIsReportedLong) {
    std::wstring copy = m_folder + L"\\Sample Module Copy.dll";
    ASSERT_TRUE(::CopyFileW((tutest::BinDir() + L"\\BaseKit.dll").c_str(), copy.c_str(), FALSE));
    HMODULE module = ::LoadLibraryW(ShortPath(copy).c_str());
    ASSERT_NE(module, nullptr);
    ostest::GuardedBuffer buffer(MAX_PATH);
    EXPECT_NE(osGetModuleFileName(module, buffer.get(), MAX_PATH), 0u);
    EXPECT_EQ(buffer.text(), copy);
    ::FreeLibrary(module);
}

TEST(ModuleFileName, SmallAndMissingBuffers) {
    wchar_t full[MAX_PATH];
    DWORD length = ::GetModuleFileNameW(nullptr, full, MAX_PATH);
    EXPECT_EQ(osGetModuleFileName(nullptr, nullptr, MAX_PATH), 0u);
    ostest::GuardedBuffer none(1);
    EXPECT_EQ(osGetModuleFileName(nullptr, none.get(), 0), 0u);
    EXPECT_TRUE(none.GuardIntact());
    for (DWORD size : {length + 1, length, 5ul, 1ul}) {
        SCOPED_TRACE(size);
        ostest::GuardedBuffer buffer(size);
        EXPECT_NE(osGetModuleFileName(nullptr, buffer.get(), size), 0u);
        EXPECT_TRUE(buffer.Terminated());
        EXPECT_TRUE(buffer.GuardIntact());
        EXPECT_EQ(buffer.text(), std::wstring(full).substr(0, size - 1));
    }
    ostest::GuardedBuffer unknown(MAX_PATH);
    EXPECT_EQ(osGetModuleFileName(reinterpret_cast<HMODULE>(0x1230000), unknown.get(), MAX_PATH),
              0u);
    EXPECT_TRUE(unknown.Terminated());
}

} // namespace
