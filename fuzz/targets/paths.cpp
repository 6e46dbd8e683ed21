// The path functions on arbitrary text: tests and edits against models of their rules, full
// paths into buffers of every size up to the whole path and in place, long names into buffers
// around the text's size. Texts and buffers end at an inaccessible page.
#include "FuzzSupport.h"

#include "tuFileSys.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace {

constexpr size_t kMaxText = 300;

bool EndsWithBackslash(const std::wstring& text) {
    return !text.empty() && text.back() == L'\\';
}

bool IsRootDir(const std::wstring& t) {
    return t == L"\\\\" || (t.size() == 2 && t[1] == L':') ||
           (t.size() == 3 && t[1] == L':' && t[2] == L'\\');
}

bool IsReserved(const std::wstring& path) {
    static const wchar_t* const kNames[] = {
        L"con",  L"prn",  L"ept",  L"nul",  L"aux",  L"clock$", L"com1", L"com2", L"com3", L"com4",
        L"lpt1", L"lpt2", L"lpt3", L"lpt4", L"lpt5", L"lpt6",   L"lpt7", L"lpt8", L"lpt9"};
    std::wstring copy = path.substr(0, MAX_PATH - 1);
    ::CharLowerBuffW(copy.data(), static_cast<DWORD>(copy.size()));
    for (const wchar_t* name : kNames) {
        const std::wstring entry = name;
        for (size_t at = copy.find(entry); at != std::wstring::npos;
             at = copy.find(entry, at + entry.size())) {
            const size_t after = at + entry.size();
            const bool starts = at == 0 || copy[at - 1] == L'\\';
            const bool ends = after == copy.size() || copy[after] == L'.' || copy[after] == L'\\';
            if (starts && ends)
                return true;
        }
    }
    return false;
}

std::wstring Joined(const std::wstring& directory, const std::wstring& name) {
    if (!name.empty() && name[0] == L'\\')
        return directory + (EndsWithBackslash(directory) ? name.substr(1) : name);
    return directory + (EndsWithBackslash(directory) ? L"" : L"\\") + name;
}

// Edits a copy of the text in a buffer with `extra` characters of room, checks the result.
template <class Edit>
void CheckEdit(const std::wstring& text, size_t extra, Edit edit, const std::wstring& expected) {
    tufuzz::Guarded<wchar_t> buffer(text.size() + 1 + extra);
    std::copy(text.c_str(), text.c_str() + text.size() + 1, buffer.data());
    FUZZ_CHECK(edit(buffer.data()));
    FUZZ_CHECK(buffer.data() == expected);
}

void CheckTestsAndEdits(const std::wstring& text, const tufuzz::GuardedText& placed) {
    const wchar_t* t = placed.data();
    FUZZ_CHECK(!!osIsRootDir(t) == IsRootDir(text));
    FUZZ_CHECK(!!osIsUNCPath(t) == (text.size() >= 2 && text[0] == L'\\' && text[1] == L'\\'));
    FUZZ_CHECK(!!osIsAbsPath(t) ==
               (osIsUNCPath(t) || (text.size() >= 3 && text[1] == L':' && text[2] == L'\\')));
    FUZZ_CHECK(!!osIsReservedFileName(t) == IsReserved(text));

    const size_t dot = text.rfind(L'.');
    const bool hasExt = dot != std::wstring::npos && text.find(L'\\', dot) == std::wstring::npos;
    LPCWSTR ext = L"stale";
    FUZZ_CHECK(!!osGetFileExt(t, &ext) == hasExt);
    FUZZ_CHECK(ext == (hasExt ? t + dot : nullptr));

    CheckEdit(text, 1, osAppendBackslash,
              text.empty() || EndsWithBackslash(text) ? text : text + L"\\");
    CheckEdit(text, 0, osDeleteBackslash,
              EndsWithBackslash(text) ? text.substr(0, text.size() - 1) : text);
    const bool keepsRoot = text == L"\\\\" || IsRootDir(text);
    CheckEdit(text, 1, osMakeCommdlgDir,
              keepsRoot ? (EndsWithBackslash(text) ? text : text + L"\\")
                        : (EndsWithBackslash(text) ? text.substr(0, text.size() - 1) : text));

    const size_t split = text.find(L'|');
    const std::wstring directory = text.substr(0, split);
    const tufuzz::GuardedText dir(directory);
    if (split == std::wstring::npos) {
        FUZZ_CHECK(std::wstring(osCreatePath(dir.data(), nullptr).GetString()) == directory);
    } else {
        const tufuzz::GuardedText name(text.substr(split + 1));
        FUZZ_CHECK(std::wstring(osCreatePath(dir.data(), name.data()).GetString()) ==
                   Joined(directory, name.data()));
    }
}

// The runtime's full path of the text in `size` characters, empty when it gives none (it may
// want more room than the path takes).
std::wstring FullPath(const wchar_t* text, size_t size = 4 * MAX_PATH) {
    std::wstring full(size + 1, L'\0');
    if (size == 0 || !_wfullpath(full.data(), text, size))
        return L"";
    full.resize(wcslen(full.c_str()));
    return full.size() < size ? full : L"";
}

void CheckFullPaths(const std::wstring& text, const tufuzz::GuardedText& placed) {
    const std::wstring full = FullPath(placed.data());
    tufuzz::Guarded<wchar_t> output(full.size() + 2);
    for (size_t size = 0; size <= full.size() + 2; ++size) {
        std::fill(output.data(), output.data() + output.size(), L'\xcccc');
        wchar_t* out = output.Tail(size);
        const LPWSTR result = osFullPath(out, placed.data(), static_cast<DWORD>(size));
        FUZZ_CHECK(tufuzz::AllEqual(output.data(), out, L'\xcccc'));
        const bool fits = !FullPath(placed.data(), size).empty();
        FUZZ_CHECK(result == (fits ? out : nullptr));
        if (fits)
            FUZZ_CHECK(full == out);
    }
    // In place, in buffers from the text's own size up.
    for (size_t size = text.size() + 1; size <= std::max(text.size(), full.size()) + 2; ++size) {
        tufuzz::Guarded<wchar_t> buffer(size);
        std::copy(text.c_str(), text.c_str() + text.size() + 1, buffer.data());
        const LPWSTR result = osFullPath(buffer.data(), buffer.data(), static_cast<DWORD>(size));
        const bool fits = !FullPath(placed.data(), size).empty();
        FUZZ_CHECK(result == (fits ? buffer.data() : nullptr));
        FUZZ_CHECK(fits ? full == buffer.data() : text == buffer.data());
    }
}

// Long names ask the file system for each component, so only the sizes around the text's and
// the full path's are tried.
void CheckLongNames(const std::wstring& text) {
    const std::wstring full = FullPath(text.c_str());
    for (size_t size :
         {text.size() + 1, full.size(), full.size() + 1, full.size() + 2, size_t{MAX_PATH}}) {
        if (size < text.size() + 1)
            continue;
        tufuzz::Guarded<wchar_t> buffer(size);
        std::copy(text.c_str(), text.c_str() + text.size() + 1, buffer.data());
        const DWORD result = osCvtToLongFileName(buffer.data(), static_cast<DWORD>(size));
        FUZZ_CHECK(std::find(buffer.data(), buffer.data() + size, L'\0') != buffer.data() + size);
        if (result && result < size)
            FUZZ_CHECK(wcslen(buffer.data()) == result);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tufuzz::Reader reader(data, size);
    const std::wstring text = reader.Text().substr(0, kMaxText);
    const tufuzz::GuardedText placed(text);
    CheckTestsAndEdits(text, placed);
    CheckFullPaths(text, placed);
    if (reader.Byte() & 1)
        CheckLongNames(text);
    return 0;
}
