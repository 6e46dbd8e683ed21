// The friendly form on arbitrary text, into output buffers of every size up to the whole form
// (each ending at an inaccessible page): the output is the longest run of whole escapes that
// fits, zero-filled to the end; unfriendlifying the whole form gives the text back; and the
// reverse reading of arbitrary text agrees with a model of its escapes.
#include "FuzzSupport.h"

#include "tuText.h"

#include <string>
#include <vector>

namespace {

bool IsFriendly(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') ||
           std::wstring_view(L" !()+,-.;=[]_{}").find(c) != std::wstring_view::npos;
}

// The text's pieces in the friendly form: the character itself or its escape.
std::vector<std::wstring> FriendlyPieces(const std::wstring& text) {
    static const wchar_t kDigits[] = L"0123456789ABCDEF";
    std::vector<std::wstring> pieces;
    for (wchar_t c : text) {
        if (IsFriendly(c))
            pieces.emplace_back(1, c);
        else if (c < 256)
            pieces.push_back({L'$', kDigits[c >> 4], kDigits[c & 15]});
        else
            pieces.push_back({L'\u00A7', kDigits[c >> 12], kDigits[(c >> 8) & 15],
                              kDigits[(c >> 4) & 15], kDigits[c & 15]});
    }
    return pieces;
}

// The reverse reading, one output character per step: an escape with all its digits gives its
// code unit, an incomplete one leaves the introducer as it is.
std::vector<std::wstring> UnfriendlyPieces(const std::wstring& text) {
    std::vector<std::wstring> pieces;
    for (size_t at = 0; at < text.size();) {
        const wchar_t c = text[at++];
        const size_t digits = c == L'$' ? 2 : c == L'\u00A7' ? 4 : 0;
        unsigned value = 0;
        size_t read = 0;
        while (read < digits && at + read < text.size() && tufuzz::HexValue(text[at + read]) >= 0)
            value = value << 4 | tufuzz::HexValue(text[at + read++]);
        if (digits && read == digits) {
            pieces.emplace_back(1, static_cast<wchar_t>(value));
            at += digits;
        } else {
            pieces.emplace_back(1, c);
        }
    }
    return pieces;
}

// The whole pieces that fit in `size` characters with a terminator, each taking its length
// from the room; `unit` pieces count one character each (the reverse reading).
std::wstring Fitting(const std::vector<std::wstring>& pieces, size_t size) {
    std::wstring out;
    for (const auto& piece : pieces) {
        if (out.size() + piece.size() + 1 > size)
            break;
        out += piece;
    }
    return out;
}

std::wstring Joined(const std::vector<std::wstring>& pieces) {
    return Fitting(pieces, size_t(-1));
}

using Convert = int(WINAPI*)(const wchar_t*, wchar_t*, unsigned int);

// Every output size from 0 to one beyond the whole result; sizes below `smallest` must fail.
void CheckEverySize(Convert convert, const tufuzz::GuardedText& source,
                    const std::vector<std::wstring>& pieces, size_t smallest) {
    const size_t whole = Joined(pieces).size();
    tufuzz::Guarded<wchar_t> output(whole + 2);
    for (size_t size = 0; size <= whole + 2; ++size) {
        wchar_t* out = output.Tail(size);
        std::fill(output.data(), output.data() + output.size(), L'\xcccc');
        const int written = convert(source.data(), out, static_cast<unsigned>(size));
        FUZZ_CHECK(tufuzz::AllEqual(output.data(), out, L'\xcccc'));
        if (size < smallest) {
            FUZZ_CHECK(written == -1);
            FUZZ_CHECK(tufuzz::AllEqual(out, out + size, L'\xcccc'));
            continue;
        }
        const std::wstring expected = Fitting(pieces, size);
        FUZZ_CHECK(written == static_cast<int>(expected.size()));
        FUZZ_CHECK(std::wstring(out, expected.size()) == expected);
        FUZZ_CHECK(tufuzz::AllEqual(out + expected.size(), out + size, L'\0'));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tufuzz::Reader reader(data, size);
    const std::wstring text = reader.Text();
    const tufuzz::GuardedText source(text);

    const auto friendly = FriendlyPieces(text);
    CheckEverySize(strFriendlify, source, friendly, 0);
    const tufuzz::GuardedText form(Joined(friendly));
    CheckEverySize(strUnfriendlify, form, UnfriendlyPieces(form.data()), 2);
    FUZZ_CHECK(Joined(UnfriendlyPieces(form.data())) == text);
    CheckEverySize(strUnfriendlify, source, UnfriendlyPieces(text), 2);

    // The string forms work through 1024 characters.
    CString result(L"stale");
    FUZZ_CHECK(strFriendlify(CString(text.c_str()), result) >= 0);
    FUZZ_CHECK(std::wstring(result.GetString()) == Fitting(friendly, 1024));
    CString back;
    strUnfriendlify(result, back);
    if (Joined(friendly).size() < 1024)
        FUZZ_CHECK(std::wstring(back.GetString()) == text);
    return 0;
}
