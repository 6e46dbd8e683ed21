// Test helpers: temporary folders, fresh host processes with chosen files beside them,
// bounded message pumps and worker threads.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

namespace tutest {

// Randomized stress loops run their rounds divided by this: 1, or more in the checked build,
// where each of the library's allocations costs page calls.
#ifdef TARN_STRESS_DIVISOR
constexpr unsigned kStressDivisor = TARN_STRESS_DIVISOR;
#else
constexpr unsigned kStressDivisor = 1;
#endif

// The folder that holds the test program and every built module.
std::wstring BinDir();

// A fresh, empty folder under the temporary path; removed with its contents on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::wstring& Path() const { return m_path; }
    // The path of a name inside the folder.
    std::wstring operator/(const std::wstring& name) const { return m_path + L"\\" + name; }
    // Writes exact bytes to a file inside the folder.
    void WriteFile(const std::wstring& name, const std::string& bytes) const;
    // Copies a built module (from BinDir) into the folder, under its own or another name.
    void CopyModule(const std::wstring& module, const std::wstring& as = L"") const;

private:
    std::wstring m_path;
};

// Removes a folder and everything in it; true when it is gone.
bool RemoveTree(const std::wstring& path);

// What a finished child process left.
struct ProcessResult {
    DWORD exitCode = 0xFFFFFFFF;
    std::string output; // standard output and standard error, as written
    bool finished = false;
};

// Runs a program with arguments in a working folder and collects what it prints.
// The build folder is on the child's PATH, so the C++ runtime is found wherever it runs.
ProcessResult RunProcess(const std::wstring& program, const std::wstring& arguments,
                         const std::wstring& workDir, DWORD timeoutMs = 60000);

// Copies a host program and the named modules into a fresh folder, writes the given files
// there, runs the host with the arguments from that folder and returns what it reported.
struct HostFile {
    std::wstring name;
    std::string bytes;
};
ProcessResult RunHostInFreshFolder(const std::wstring& host,
                                   const std::vector<std::wstring>& modules,
                                   const std::vector<HostFile>& files,
                                   const std::wstring& arguments = L"", DWORD timeoutMs = 60000);

// Unix paths and programs under Wine. The Unix path of a Windows path (kernel32's
// wine_get_unix_file_name), empty when it has none.
std::string UnixPathOf(const std::wstring& path);
// Starts a Unix program (e.g. L"ln") from Wine's view of /bin with the given arguments, then
// waits up to 10 seconds for `done` (Wine gives no handle to wait on for a Unix process).
// Unix symbolic links to folders show in Windows as reparse-point directories.
bool RunUnix(const std::wstring& program, const std::wstring& arguments,
             const std::function<bool()>& done);

// Dispatches the calling thread's messages until the condition holds or the time runs out;
// returns the condition's last answer.
bool PumpMessagesUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000);

// Wide text to UTF-8 for messages and comparisons with reported output.
std::string Narrow(const std::wstring& text);

// An output buffer of `size` characters of 0xcccc and guard characters of the same fill behind
// it, to catch writes past the end and missing terminators; given a text, it starts with it.
class GuardedBuffer {
public:
    static constexpr wchar_t kFill = 0xcccc;

    explicit GuardedBuffer(size_t size) : m_size(size), m_chars(size + 16, kFill) {}
    GuardedBuffer(size_t size, const std::wstring& text) : GuardedBuffer(size) {
        text.copy(m_chars.data(), text.size());
        m_chars[text.size()] = L'\0';
    }
    wchar_t* Data() { return m_chars.data(); }
    wchar_t operator[](size_t index) const { return m_chars[index]; }
    // The text up to its terminator, or all `size` characters when there is none.
    std::wstring Text() const { return {m_chars.data(), wcsnlen(m_chars.data(), m_size)}; }
    // True when nothing was written at `index` or after it, the guard included.
    bool UntouchedFrom(size_t index) const {
        return std::all_of(m_chars.begin() + index, m_chars.end(),
                           [](wchar_t c) { return c == kFill; });
    }
    bool GuardIntact() const { return UntouchedFrom(m_size); }

private:
    size_t m_size;
    std::vector<wchar_t> m_chars;
};

} // namespace tutest
