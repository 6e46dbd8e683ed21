// Uses a few tarnUtil families through the installed package and checks that the loaded
// tarnUtil.dll carries the package's version; exits non-zero on any wrong answer.
#include <tuContainers.h>
#include <tuFileSys.h>
#include <tuText.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>

namespace {

int failures = 0;

void check(bool ok, const wchar_t* what, const wchar_t* got) {
    std::wprintf(L"%-8ls %ls: %ls\n", ok ? L"ok" : L"WRONG", what, got);
    failures += ok ? 0 : 1;
}

void useText() {
    const unsigned char bytes[] = {0x00, 0xAB, 0x1F};
    CString hex;
    strMem2Hex(bytes, sizeof bytes, hex);
    check(hex == L"00AB1F", L"hex of 00 AB 1F", hex.GetString());

    wchar_t* digest = hashMD5("abc", 3);
    check(digest && std::wcscmp(digest, L"900150983cd24fb0d6963f7d28e17f72") == 0, L"MD5 of abc",
          digest ? digest : L"(none)");
    std::free(digest);
}

void useContainers() {
    tagCHAIN chain;
    InitChain(&chain, sizeof(int), 0, 4, 4);
    for (int i = 1; i <= 10; ++i)
        AppendToChain(&i, &chain);
    int third = 0;
    ContentOfNthOfChain(3, &chain, &third);
    wchar_t text[32];
    std::swprintf(text, 32, L"%u items, third %d", LengthOfChain(&chain), third);
    check(LengthOfChain(&chain) == 10 && third == 3, L"chain of 1..10", text);
    DeleteChain(&chain);
}

void useFileSys() {
    CString path = osCreatePath(L"C:\\dir\\", L"\\x");
    check(path == L"C:\\dir\\x", L"C:\\dir\\ + \\x", path.GetString());
}

// The fixed file version of the tarnUtil.dll this process loaded.
bool loadedVersion(WORD (&parts)[3]) {
    wchar_t path[MAX_PATH];
    if (!GetModuleFileNameW(GetModuleHandleW(L"tarnUtil.dll"), path, MAX_PATH))
        return false;
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(path, &ignored);
    if (size == 0)
        return false;
    void* info = std::malloc(size);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    bool found = info && GetFileVersionInfoW(path, 0, size, info) &&
                 VerQueryValueW(info, L"\\", reinterpret_cast<void**>(&fixed), &fixedSize) &&
                 fixedSize >= sizeof *fixed;
    if (found) {
        parts[0] = HIWORD(fixed->dwFileVersionMS);
        parts[1] = LOWORD(fixed->dwFileVersionMS);
        parts[2] = HIWORD(fixed->dwFileVersionLS);
    }
    std::free(info);
    return found;
}

void checkVersion() {
    WORD parts[3] = {};
    bool found = loadedVersion(parts);
    wchar_t text[48];
    std::swprintf(text, 48, L"%u.%u.%u", parts[0], parts[1], parts[2]);
    check(found && parts[0] == PACKAGE_VERSION_MAJOR && parts[1] == PACKAGE_VERSION_MINOR &&
              parts[2] == PACKAGE_VERSION_PATCH,
          L"tarnUtil.dll file version", found ? text : L"(no version resource)");
}

} // namespace

int main() {
    useText();
    useContainers();
    useFileSys();
    checkVersion();
    return failures == 0 ? 0 : 1;
}
