// Friendly strings: escape forms, cut outputs, malformed escapes, a round trip of random texts.
#include "tuText.h"

#include "SeededRandom.h"
#include "TestSupport.h"

namespace {

constexpr wchar_t kFill = tutest::GuardedBuffer::kFill;
using Convert = int(WINAPI*)(const wchar_t*, wchar_t*, unsigned);
const Convert Friendlify = strFriendlify, Unfriendlify = strUnfriendlify;

// Converts into `size` characters of a larger buffer, checks the output is terminated and zeroed
// after the text and nothing past it touched; gives the text and the conversion's result.
std::pair<std::wstring, int> Checked(Convert convert, const wchar_t* source, unsigned size) {
    tutest::GuardedBuffer buffer(size);
    const int written = convert(source, buffer.Data(), size);
    const std::wstring text = buffer.Text();
    EXPECT_TRUE(size == 0 || text.size() < size) << "output not terminated";
    for (size_t i = text.size(); i < size; ++i)
        EXPECT_EQ(buffer.Data()[i], 0) << "at " << i << " of " << size;
    EXPECT_TRUE(buffer.GuardIntact()) << "written past " << size;
    return {text, written};
}

// Turning the forms back is checked by the round trip below.
TEST(FriendlyText, EscapeFormsCutOutputsAndMalformedEscapes) {
    // clang-format off
    const struct { Convert convert; const wchar_t* text; unsigned size; const wchar_t* out; } rows[] = {
        {Friendlify, L"a/b", 64, L"a$2Fb"}, {Friendlify, L"$", 64, L"$24"},
        {Friendlify, L"\u00A7\u00E4", 64, L"$A7$E4"}, {Friendlify, L"\t\x7F", 64, L"$09$7F"},
        {Friendlify, L"\u20AC\u0100\uFFFF", 64, L"\u00A720AC\u00A70100\u00A7FFFF"},
        {Friendlify, L"\U0001F600", 64, L"\u00A7D83D\u00A7DE00"}, {Friendlify, L"", 64, L""},
        // Malformed escapes are kept as they are.
        {Unfriendlify, L"$2f", 64, L"/"}, {Unfriendlify, L"\u00A700e4", 64, L"\u00E4"},
        {Unfriendlify, L"$4x", 64, L"$4x"}, {Unfriendlify, L"a$", 64, L"a$"},
        {Unfriendlify, L"$", 64, L"$"}, {Unfriendlify, L"\u00A712", 64, L"\u00A712"},
        {Unfriendlify, L"\u00A712G4", 64, L"\u00A712G4"}, {Unfriendlify, L"$$41", 64, L"$A"},
        {Unfriendlify, L"\t\u20AC/", 64, L"\t\u20AC/"},
        // Outputs are cut before a character whose form does not fit.
        {Friendlify, L"/", 4, L"$2F"}, {Friendlify, L"/", 3, L""}, {Friendlify, L"ab/", 5, L"ab"},
        {Friendlify, L"abc", 3, L"ab"}, {Friendlify, L"\u20AC", 6, L"\u00A720AC"},
        {Friendlify, L"\u20AC", 5, L""}, {Friendlify, L"a", 1, L""}, {Friendlify, L"abc", 0, L""},
        {Unfriendlify, L"abc", 3, L"ab"}, {Unfriendlify, L"$41$42", 2, L"A"},
    };
    // clang-format on
    for (const auto& row : rows)
        EXPECT_EQ(Checked(row.convert, row.text, row.size),
                  std::make_pair(std::wstring(row.out), int(wcslen(row.out))))
            << tutest::Narrow(row.text) << " size " << row.size;
    // Exactly the documented characters are friendly.
    const std::wstring friendly =
        L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 !()+,-.;=[]_{}";
    for (wchar_t c = 1; c < 0x200; ++c) {
        const wchar_t text[] = {c, 0};
        const size_t length = friendly.find(c) != friendly.npos ? 1 : c < 256 ? 3 : 5;
        EXPECT_EQ(Checked(Friendlify, text, 8).first.size(), length) << int(c);
    }
    wchar_t out[4] = {kFill, kFill, kFill, kFill}; // bad arguments
    for (Convert convert : {Friendlify, Unfriendlify})
        EXPECT_EQ(std::make_pair(convert(nullptr, out, 4), convert(L"a", nullptr, 4)),
                  std::make_pair(-1, -1));
    EXPECT_EQ(strUnfriendlify(L"a", out, 1), -1);
    EXPECT_EQ(out[0], kFill);
}

TEST(FriendlyText, StringFormsStopAt1023Characters) {
    CString result = L"old";
    EXPECT_EQ(strFriendlify(CString(L'a', 2000), result), 1023);
    EXPECT_EQ(result, CString(L'a', 1023));
    EXPECT_EQ(strUnfriendlify(CString(L"$41") + CString(L'b', 1024), result), 1023);
    EXPECT_EQ(result, L"A" + CString(L'b', 1022));
}

// Random UTF-16 texts (lone surrogates included) into random output sizes: the output is what fits,
// cut at a character boundary, and turns back into exactly that prefix.
TEST(FriendlyText, RoundTripProperty) {
    const std::pair<unsigned, unsigned> kRanges[] = {
        {0x20, 0x7E}, {1, 0xFF}, {0xD800, 0xDFFF}, {0x100, 0xFFFF}};
    SeededRandom random;
    for (int round = 0; round < 2000; ++round) {
        SCOPED_TRACE(round);
        std::wstring source(random.Pick(0, 60), L'\0');
        for (wchar_t& c : source) {
            const auto& [low, high] = kRanges[random.Pick(0, 3)];
            c = wchar_t(random.Pick(low, high));
        }
        const unsigned size = random.Pick(0, unsigned(5 * source.size() + 2));
        const auto [friendly, written] = Checked(Friendlify, source.c_str(), size);
        ASSERT_EQ(written, int(friendly.size()));
        const auto [prefix, restored] =
            Checked(Unfriendlify, friendly.c_str(), unsigned(source.size() + 2));
        ASSERT_EQ(prefix, source.substr(0, restored));
        if (prefix.size() < source.size()) { // cut only where the next character's form won't fit
            wchar_t next[2] = {source[prefix.size()], 0}, form[8];
            ASSERT_GT(written + strFriendlify(next, form, 8), int(size) - 1);
        }
    }
}

} // namespace
