// Demo of the text subsystem: regional date texts, a friendly string, hex, a GUID and a digest.
#include "Demo.h"

#include "tuText.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {
// The terminal reads UTF-8, whatever the program's code page.
std::string Utf8(const wchar_t* text) {
    int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(size > 0 ? size : 1, '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, &bytes[0], size, nullptr, nullptr);
    return bytes.c_str();
}
} // namespace

void ShowText() {
    DemoSection("Text, numbers and identifiers");
    wchar_t when[CVT_DATETIME_CHARS];
    cvtFormatDateTime(nullptr, when, CVT_DT_FULLYEAR | CVT_DT_SECONDS);
    std::printf("now, in the user's format:  %ls (decimal separator '%lc')\n", when,
                cvtGetDecimalSeparator());
    __int64 number = 0;
    bool parsed = cvtString2Int64(L" -9223372036854775808", number);
    std::printf("strict parse:               \" -9223372036854775808\" -> %s %lld; \"12 \" -> %s\n",
                parsed ? "ok" : "refused", number,
                cvtString2Int64(L"12 ", number) ? "ok" : "refused");

    const CString original = L"Price: 5\u20AC / \u00E4rger";
    CString friendly, back;
    strFriendlify(original, friendly);
    strUnfriendlify(friendly, back);
    std::printf("friendly form of \"%s\":\n                            %s (back: %s)\n",
                Utf8(original).c_str(), Utf8(friendly).c_str(),
                back == original ? "the same text" : "different");

    CString hex;
    const char bytes[] = "tarn";
    strMem2Hex(bytes, sizeof bytes - 1, hex);
    std::printf("hex form of \"tarn\":         %ls\n", hex.GetString());

    utl::CGUIDHolder holder;
    std::printf("new GUID:                   %ls\n", holder.GetStringNewUID().GetString());

    const char message[] = "The quick brown fox jumps over the lazy dog";
    wchar_t* digest = hashMD5(message, static_cast<unsigned>(std::strlen(message)));
    std::printf("MD5 of \"%s\":\n                            %ls\n", message,
                digest ? digest : L"(out of memory)");
    std::free(digest);
}
