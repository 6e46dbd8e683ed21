// Demo of the program environment and localized texts: the data folders decided at load, one
// string of the library in every language it ships, and a message whose inserts a
// translation reorders.
#include "Demo.h"

#include "tuLocal.h"
#include "tuSettings.h"

namespace {

// Prints a label and wide text as UTF-8, so that every script arrives intact.
void PrintLine(const char* label, const wchar_t* text) {
    char utf8[1024] = "";
    if (text)
        ::WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
    std::printf("%-23s%s\n", label, text ? utf8 : "(none)");
}

} // namespace

void ShowSettings() {
    DemoSection("Program environment and localized texts");
    PrintLine("program name:", ssnGetExeName());
    PrintLine("user data folder:", ssnGetDataDir(0));
    PrintLine("common data folder:", ssnGetDataDir(1));
    PrintLine("product:", ssnGetExeString(0));

    // The library's out-of-memory text, asked for in each language without fallback.
    HINSTANCE library = ::GetModuleHandleW(L"tarnUtil.dll");
    const struct {
        UINT language;
        const char* label;
    } languages[] = {{1031, "  German (1031):"},
                     {1033, "  English (1033):"},
                     {1036, "  French (1036):"},
                     {1041, "  Japanese (1041):"},
                     {2052, "  Chinese (2052):"}};
    std::printf("string 101 of the library in every language it ships:\n");
    for (const auto& language : languages) {
        wchar_t text[128];
        lclLoadStringW(library, 101, text, 128, language.language, FALSE);
        PrintLine(language.label, text);
    }
    wchar_t text[128];
    lclLoadStringW(library, 101, text, 128, 1040, TRUE);
    PrintLine("  Italian, fallback:", text);

    // One set of arguments, two templates: the German one puts the inserts in another order.
    std::printf("positional messages (arguments 12, 7, \"C:\\Backup\"):\n");
    wchar_t message[128];
    lclFormatString(message, 128, L"%2 of %1 files copied to %3", L"%d%d%s", 12, 7, L"C:\\Backup");
    PrintLine("  English template:", message);
    lclFormatString(message, 128, L"Nach %3 kopiert: %2 von %1 Dateien", L"%d%d%s", 12, 7,
                    L"C:\\Backup");
    PrintLine("  German template:", message);
}
