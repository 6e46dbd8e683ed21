// Test helpers: temporary folders, child processes and message pumps.
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <stdexcept>

namespace tutest {

std::wstring BinDir() {
    wchar_t path[MAX_PATH];
    DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path, length);
    return dir.substr(0, dir.find_last_of(L'\\'));
}

std::string Narrow(const std::wstring& text) {
    int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                     nullptr, 0, nullptr, nullptr);
    std::string out(size, '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size,
                          nullptr, nullptr);
    return out;
}

TempDir::TempDir() {
    static std::atomic<unsigned> counter;
    wchar_t base[MAX_PATH];
    ::GetTempPathW(MAX_PATH, base);
    for (;;) {
        m_path = std::wstring(base) + L"tarn" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
                 std::to_wstring(counter++);
        if (::CreateDirectoryW(m_path.c_str(), nullptr))
            break;
        if (::GetLastError() != ERROR_ALREADY_EXISTS)
            throw std::runtime_error("cannot create a temporary folder");
    }
}

TempDir::~TempDir() {
    RemoveTree(m_path);
}

void TempDir::WriteFile(const std::wstring& name, const std::string& bytes) const {
    FILE* file = _wfopen((*this / name).c_str(), L"wb");
    ASSERT_NE(file, nullptr) << Narrow(name);
    EXPECT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size()) << Narrow(name);
    std::fclose(file);
}

void TempDir::CopyModule(const std::wstring& module, const std::wstring& as) const {
    std::wstring from = BinDir() + L"\\" + module;
    std::wstring to = *this / (as.empty() ? module : as);
    ASSERT_TRUE(::CopyFileW(from.c_str(), to.c_str(), FALSE)) << Narrow(from);
}

bool RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((path + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring child = path + L"\\" + name;
            ::SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                ::DeleteFileW(child.c_str());
        } while (::FindNextFileW(find, &data));
        ::FindClose(find);
    }
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return ::RemoveDirectoryW(path.c_str()) || ::GetLastError() == ERROR_FILE_NOT_FOUND;
}

namespace {
// Puts the build folder in front of this process's PATH; children inherit it.
bool PutBinDirOnPath() {
    std::vector<wchar_t> path(::GetEnvironmentVariableW(L"PATH", nullptr, 0) + 1);
    ::GetEnvironmentVariableW(L"PATH", path.data(), static_cast<DWORD>(path.size()));
    return ::SetEnvironmentVariableW(L"PATH", (BinDir() + L";" + path.data()).c_str());
}

// A file for the child's output, deleted when its last handle closes. A file rather than a
// pipe: processes that the child starts (Wine's services among them) may inherit the handle
// and keep a pipe open long after the child is gone.
HANDLE OutputFile(SECURITY_ATTRIBUTES& inherit) {
    wchar_t folder[MAX_PATH], name[MAX_PATH];
    ::GetTempPathW(MAX_PATH, folder);
    ::GetTempFileNameW(folder, L"out", 0, name);
    return ::CreateFileW(
        name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
}

std::string ReadFromStart(HANDLE file) {
    std::string out;
    char chunk[4096];
    DWORD got = 0;
    ::SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    while (::ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got)
        out.append(chunk, got);
    return out;
}
} // namespace

ProcessResult RunProcess(const std::wstring& program, const std::wstring& arguments,
                         const std::wstring& workDir, DWORD timeoutMs) {
    ProcessResult result;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE output = OutputFile(inherit);
    if (output == INVALID_HANDLE_VALUE)
        return result;

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    startup.hStdError = output;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process = {};
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    [[maybe_unused]] static const bool onPath = PutBinDirOnPath();
    BOOL started = ::CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0,
                                    nullptr, workDir.c_str(), &startup, &process);
    if (started) {
        // The wait alone is bounded; a hung child is ended at its time-out.
        result.finished = ::WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0;
        if (!result.finished) {
            ::TerminateProcess(process.hProcess, 1);
            ::WaitForSingleObject(process.hProcess, 5000);
        }
        ::GetExitCodeProcess(process.hProcess, &result.exitCode);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
        result.output = ReadFromStart(output);
    }
    ::CloseHandle(output);
    return result;
}

ProcessResult RunHostInFreshFolder(const std::wstring& host,
                                   const std::vector<std::wstring>& modules,
                                   const std::vector<HostFile>& files,
                                   const std::wstring& arguments, DWORD timeoutMs) {
    TempDir dir;
    dir.CopyModule(host);
    for (const auto& module : modules)
        dir.CopyModule(module);
    for (const auto& file : files)
        dir.WriteFile(file.name, file.bytes);
    return RunProcess(dir / host, arguments, dir.Path(), timeoutMs);
}

std::string UnixPathOf(const std::wstring& path) {
    using UnixFileName = char*(CDECL*)(const wchar_t*);
    auto unixFileName = reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* name = unixFileName ? unixFileName(path.c_str()) : nullptr;
    if (!name)
        return {};
    std::string result = name;
    ::HeapFree(::GetProcessHeap(), 0, name);
    return result;
}

bool RunUnix(const std::wstring& program, const std::wstring& arguments,
             const std::function<bool()>& done) {
    RunProcess(L"Z:\\bin\\" + program, arguments, BinDir(), 0);
    for (int tries = 0; tries < 500 && !done(); ++tries)
        ::Sleep(20);
    return done();
}

bool PumpMessagesUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    DWORD start = ::GetTickCount();
    while (!condition()) {
        DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= timeoutMs)
            return condition();
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, (std::min)(timeoutMs - elapsed, 20ul),
                                    QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return true;
}

} // namespace tutest
