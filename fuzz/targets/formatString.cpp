// Positional formatting of an arbitrary template with up to nine arbitrary string inserts and
// literal text between them in the argument format, into outputs of every size up to the whole
// result (above a hundred characters only those around its length) (each ending at an
// inaccessible page), against a model of pieces and inserts.
#include "FuzzSupport.h"

#include "tuLocal.h"

#include <climits>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kMarker = L'\x01';
constexpr size_t kMarkedFormatSize = 256;
constexpr size_t kLargeText = 4096;

// Piece `number` (from 1): the text between that marker and the next.
std::wstring Piece(const std::wstring& text, unsigned long number) {
    size_t start = std::wstring::npos;
    unsigned long markers = 0;
    for (size_t at = 0; at < text.size(); ++at) {
        if (text[at] != kMarker)
            continue;
        if (start != std::wstring::npos)
            return text.substr(start, at - start);
        if (++markers == number)
            start = at + 1;
    }
    return L"";
}

// The whole output for an unlimited size: "%" and a number inserts that piece (all its digits
// read and stepped over), "%" and any other character gives that character, a last "%" ends.
std::wstring Filled(const std::wstring& templ, const std::wstring& text) {
    std::wstring out;
    for (size_t at = 0; at < templ.size();) {
        if (templ[at] != L'%') {
            out += templ[at++];
            continue;
        }
        if (at + 1 == templ.size())
            break;
        if (templ[at + 1] >= L'1' && templ[at + 1] <= L'9') {
            wchar_t* end = nullptr;
            const unsigned long number = std::wcstoul(templ.c_str() + at + 1, &end, 10);
            out += Piece(text, number);
            at = end - templ.c_str();
            continue;
        }
        out += templ[at + 1];
        at += 2;
    }
    return out;
}

// Every size up to a few hundred characters and around the whole output's length.
std::vector<size_t> OutputSizes(size_t whole) {
    std::vector<size_t> sizes;
    for (size_t size = 0; size <= whole + 2; ++size)
        if (size < 100 || size + 4 > whole)
            sizes.push_back(size);
    return sizes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tufuzz::Reader reader(data, size);
    const tufuzz::GuardedText templ(reader.Text());
    const size_t count = reader.Byte() % 10;
    std::vector<std::wstring> inserts(count);
    std::wstring argFormat, formatted, literal;
    for (size_t i = 0; i <= count; ++i) {
        literal = reader.Text();
        // Literal text of the argument format has no conversions of its own.
        for (wchar_t& c : literal)
            c = c == L'%' ? L'#' : c;
        argFormat += literal;
        formatted += literal;
        if (i == count)
            break;
        inserts[i] = reader.Text();
        argFormat += L"%s";
        formatted += kMarker + inserts[i];
    }
    formatted += kMarker;
    // The argument format gets a marker before each of its `count` conversions and one at the
    // end; the formatted text must fit in the larger of the two text buffers.
    const bool formatFits = argFormat.size() + count + 2 <= kMarkedFormatSize;
    const bool textFits = formatted.size() < kLargeText;
    const std::wstring whole = Filled(templ.data(), formatted);

    const tufuzz::GuardedText format(argFormat);
    std::vector<std::unique_ptr<tufuzz::GuardedText>> args;
    for (size_t i = 0; i < 9; ++i)
        args.push_back(std::make_unique<tufuzz::GuardedText>(i < count ? inserts[i] : L""));
    tufuzz::Guarded<wchar_t> output(whole.size() + 2);
    for (size_t outSize : OutputSizes(whole.size())) {
        std::fill(output.data(), output.data() + output.size(), L'\xcccc');
        wchar_t* out = output.Tail(outSize);
        const int length = lclFormatString(
            out, static_cast<UINT>(outSize), templ.data(), format.data(), args[0]->data(),
            args[1]->data(), args[2]->data(), args[3]->data(), args[4]->data(), args[5]->data(),
            args[6]->data(), args[7]->data(), args[8]->data());
        FUZZ_CHECK(tufuzz::AllEqual(output.data(), out, L'\xcccc'));
        if (outSize < 2 || !formatFits || !textFits) {
            FUZZ_CHECK(length == 0);
            FUZZ_CHECK(tufuzz::AllEqual(out, out + outSize, L'\xcccc'));
            continue;
        }
        const size_t expected = std::min(whole.size(), outSize - 1);
        FUZZ_CHECK(length == static_cast<int>(expected));
        FUZZ_CHECK(std::wstring(out, expected) == whole.substr(0, expected) && !out[expected]);
    }
    return 0;
}
