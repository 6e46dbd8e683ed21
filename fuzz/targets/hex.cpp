// The hex form on arbitrary bytes and arbitrary text: bytes to hex and back is the identity for
// every output size, and reading arbitrary text agrees with a model of its digit pairs. Output
// blocks end at an inaccessible page.
#include "FuzzSupport.h"

#include "tuText.h"

#include <algorithm>
#include <string>

namespace {

int DigitOrZero(wchar_t c) {
    return std::max(tufuzz::HexValue(c), 0);
}

// What reading the text gives: one byte per pair of characters, a lone last digit ignored,
// any character that is no digit read as 0.
std::string Decoded(const std::wstring& text) {
    std::string bytes;
    for (size_t at = 0; at + 1 < text.size(); at += 2)
        bytes += static_cast<char>(DigitOrZero(text[at]) * 16 + DigitOrZero(text[at + 1]));
    return bytes;
}

// Reads the text into blocks of every size up to one beyond what it holds.
void CheckEverySize(const std::wstring& text, const std::string& expected) {
    const tufuzz::GuardedText source(text);
    tufuzz::Guarded<char> output(expected.size() + 1);
    for (size_t size = 0; size <= expected.size() + 1; ++size) {
        std::fill(output.data(), output.data() + output.size(), '\xcc');
        char* out = output.Tail(size);
        const unsigned written = strHex2Mem(source.data(), out, static_cast<unsigned>(size));
        const size_t fits = std::min(size, expected.size());
        FUZZ_CHECK(written == fits);
        FUZZ_CHECK(std::string(out, fits) == expected.substr(0, fits));
        // Nothing before the block, nothing in it past the bytes written.
        const std::string untouched =
            std::string(output.data(), out) + std::string(out + fits, out + size);
        FUZZ_CHECK(untouched == std::string(output.size() - fits, '\xcc'));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CString hex(L"stale");
    FUZZ_CHECK(strMem2Hex(data, static_cast<unsigned>(size), hex) == (size > 0));
    if (size == 0) {
        FUZZ_CHECK(hex == L"stale");
    } else {
        std::wstring expected;
        for (size_t i = 0; i < size; ++i) {
            wchar_t pair[3];
            swprintf(pair, 3, L"%02X", data[i]);
            expected += pair;
        }
        FUZZ_CHECK(std::wstring(hex.GetString()) == expected);
        CheckEverySize(expected, std::string(reinterpret_cast<const char*>(data), size));
    }
    tufuzz::Reader reader(data, size);
    const std::wstring text = reader.Text();
    CheckEverySize(text, Decoded(text));
    return 0;
}
