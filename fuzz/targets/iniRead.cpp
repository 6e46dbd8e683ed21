// The INI readers on arbitrary file contents, section and key names: iniGetInt agrees with the
// platform's integer reader, iniGetDouble with its number rule over the platform's text reader,
// and iniGetStruct with its hex rule (a text of any other length than the record's is refused),
// into records of the sizes around the value's (each ending
// at an inaccessible page; a failed read writes nothing past what it decoded).
#include "FuzzSupport.h"

#include "tuSettings.h"

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cwctype>
#include <string>
#include <vector>

namespace {

// One settings file per driver process, in the temporary folder; removed at exit.
const std::wstring& FileName() {
    static const std::wstring name = [] {
        wchar_t folder[MAX_PATH];
        ::GetTempPathW(MAX_PATH, folder);
        return std::wstring(folder) + L"tarnFuzzIni" + std::to_wstring(::GetCurrentProcessId()) +
               L".ini";
    }();
    static const struct Remover {
        ~Remover() { ::DeleteFileW(name.c_str()); }
    } remover;
    return name;
}

void WriteFileBytes(const std::wstring& name, const std::string& bytes) {
    FILE* file = _wfopen(name.c_str(), L"wb");
    FUZZ_CHECK(file);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

std::wstring PlatformText(LPCWSTR section, LPCWSTR key, size_t size) {
    std::vector<wchar_t> text(size + 1);
    const DWORD length = ::GetPrivateProfileStringW(section, key, L"", text.data(),
                                                    static_cast<DWORD>(size), FileName().c_str());
    return std::wstring(text.data(), length);
}

double ExpectedDouble(LPCWSTR section, LPCWSTR key, double def) {
    const std::wstring text = PlatformText(section, key, 128);
    size_t at = 0;
    if (at < text.size() && (text[at] == L'+' || text[at] == L'-'))
        ++at;
    if (at < text.size() && text[at] == L'.')
        ++at;
    if (at < text.size() && std::iswdigit(text[at]))
        return std::wcstod(text.c_str(), nullptr);
    return def;
}

int Nibble(wchar_t c) {
    return c >= L'0' && c <= L'9' ? c - L'0' : c >= L'A' && c <= L'F' ? c - L'A' + 10 : -1;
}

void CheckStruct(LPCWSTR section, LPCWSTR key, UINT size) {
    // Read with one character more than the record's text, so that a longer text is refused
    // rather than cut to fit.
    std::wstring text = PlatformText(section, key, 2 * size + 2);
    ::CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    std::string expected(size, '\xcc');
    bool ok = size == 0 || text.size() == 2 * size;
    for (UINT i = 0; ok && i < size; ++i) {
        const int high = Nibble(text[2 * i]), low = Nibble(text[2 * i + 1]);
        ok = high >= 0 && low >= 0;
        if (ok)
            expected[i] = static_cast<char>(high * 16 + low);
    }
    tufuzz::Guarded<char> record(size);
    std::fill_n(record.data(), size, '\xcc');
    FUZZ_CHECK(!!iniGetStruct(section, key, record.data(), size, FileName().c_str()) == ok);
    FUZZ_CHECK(std::string(record.data(), size) == expected);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tufuzz::Reader reader(data, size);
    const tufuzz::GuardedText section(reader.Text());
    const tufuzz::GuardedText key(reader.Text());
    const int def = static_cast<int>(reader.Word()) - 0x8000;
    WriteFileBytes(FileName(), reader.Rest());

    FUZZ_CHECK(iniGetInt(section.data(), key.data(), def, FileName().c_str()) ==
               static_cast<int>(
                   ::GetPrivateProfileIntW(section.data(), key.data(), def, FileName().c_str())));
    const double gotDouble = iniGetDouble(section.data(), key.data(), 0.5, FileName().c_str());
    const double expectedDouble = ExpectedDouble(section.data(), key.data(), 0.5);
    FUZZ_CHECK(gotDouble == expectedDouble ||
               (std::isnan(gotDouble) && std::isnan(expectedDouble)));

    const UINT half = static_cast<UINT>(PlatformText(section.data(), key.data(), 4096).size() / 2);
    for (UINT record : {0u, 1u, half > 0 ? half - 1 : 2u, half, half + 1})
        CheckStruct(section.data(), key.data(), record);
    return 0;
}
