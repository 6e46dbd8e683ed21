// Friendly strings: every escape form, cut outputs, malformed escapes, and a seeded round trip
// over random UTF-16 texts.
#include "tuText.h"

#include "SeededRandom.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr wchar_t kFill = 0xcccc;

// Calls `convert` with an output of `size` characters inside a larger 0xcc-filled buffer and
// checks that nothing past the output was touched.
template <typename Convert>
std::wstring Checked(Convert convert, const wchar_t* source, unsigned size,
                     int* written = nullptr) {
    std::vector<wchar_t> buffer(size + 8, kFill);
    int n = convert(source, buffer.data(), size);
    for (size_t i = size; i < buffer.size(); ++i)
        EXPECT_EQ(buffer[i], kFill) << "written past the output at " << i;
    if (written)
        *written = n;
    if (size == 0)
        return L"";
    EXPECT_EQ(buffer[size - 1], 0) << "output not terminated";
    for (unsigned i = unsigned(wcslen(buffer.data())); i < size; ++i)
        EXPECT_EQ(buffer[i], 0) << "output not zeroed at " << i;
    return buffer.data();
}

int(WINAPI* const Friendlify)(const wchar_t*, wchar_t*, unsigned) = strFriendlify;
int(WINAPI* const Unfriendlify)(const wchar_t*, wchar_t*, unsigned) = strUnfriendlify;

struct Row {
    const wchar_t* text;
    const wchar_t* converted;
};

TEST(FriendlyText, EscapeForms) {
    // clang-format off
    const Row rows[] = {
        {L"a b", L"a b"}, {L"AZaz09 !()+,-.;=[]_{}", L"AZaz09 !()+,-.;=[]_{}"}, {L"", L""},
        {L"a/b", L"a$2Fb"}, {L"$", L"$24"}, {L"\u00A7", L"$A7"}, {L"\u00E4", L"$E4"},
        {L"\t\x7F", L"$09$7F"}, {L"\u20AC", L"\u00A720AC"},
        {L"\u0100\uFFFF", L"\u00A70100\u00A7FFFF"}, {L"\U0001F600", L"\u00A7D83D\u00A7DE00"},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(tutest::Narrow(row.text));
        int written = 0;
        EXPECT_EQ(Checked(Friendlify, row.text, 64, &written), row.converted);
        EXPECT_EQ(written, int(wcslen(row.converted)));
        EXPECT_EQ(Checked(Unfriendlify, row.converted, 64), row.text);
    }
    // Exactly the documented characters are friendly.
    const std::wstring friendly =
        L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 !()+,-.;=[]_{}";
    for (wchar_t c = 1; c < 0x200; ++c) {
        const wchar_t text[] = {c, 0};
        const size_t length = friendly.find(c) != friendly.npos ? 1 : c < 256 ? 3 : 5;
        EXPECT_EQ(Checked(Friendlify, text, 8).size(), length) << int(c);
    }
}

TEST(FriendlyText, UnfriendlifyKeepsMalformedEscapes) {
    // clang-format off
    const Row rows[] = {
        {L"$2f", L"/"}, {L"\u00A700e4", L"\u00E4"}, {L"$4x", L"$4x"}, {L"a$", L"a$"}, {L"$", L"$"},
        {L"\u00A712", L"\u00A712"}, {L"\u00A712G4", L"\u00A712G4"}, {L"$$41", L"$A"},
        {L"\t\u20AC/", L"\t\u20AC/"},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(tutest::Narrow(row.text));
        EXPECT_EQ(Checked(Unfriendlify, row.text, 64), row.converted);
    }
}

TEST(FriendlyText, CutOutputs) {
    struct CutRow {
        int(WINAPI* convert)(const wchar_t*, wchar_t*, unsigned);
        const wchar_t* text;
        unsigned size;
        const wchar_t* converted;
    };
    // clang-format off
    const CutRow rows[] = {
        {Friendlify, L"/", 4, L"$2F"}, {Friendlify, L"/", 3, L""}, {Friendlify, L"ab/", 5, L"ab"},
        {Friendlify, L"abc", 3, L"ab"}, {Friendlify, L"\u20AC", 6, L"\u00A720AC"},
        {Friendlify, L"\u20AC", 5, L""}, {Friendlify, L"a", 1, L""},
        {Unfriendlify, L"abc", 3, L"ab"}, {Unfriendlify, L"$41$42", 2, L"A"},
    };
    // clang-format on
    for (const CutRow& row : rows) {
        SCOPED_TRACE(tutest::Narrow(row.text) + " size " + std::to_string(row.size));
        int written = -2;
        EXPECT_EQ(Checked(row.convert, row.text, row.size, &written), row.converted);
        EXPECT_EQ(written, int(wcslen(row.converted)));
    }
    int written = -2;
    Checked(Friendlify, L"abc", 0, &written); // nothing may be written at all
    EXPECT_EQ(written, 0);
}

TEST(FriendlyText, BadArguments) {
    wchar_t out[4] = {kFill, kFill, kFill, kFill};
    EXPECT_EQ(strFriendlify(nullptr, out, 4), -1);
    EXPECT_EQ(strFriendlify(L"a", nullptr, 4), -1);
    EXPECT_EQ(strUnfriendlify(nullptr, out, 4), -1);
    EXPECT_EQ(strUnfriendlify(L"a", nullptr, 4), -1);
    EXPECT_EQ(strUnfriendlify(L"a", out, 1), -1);
    EXPECT_EQ(out[0], kFill);
}

TEST(FriendlyText, StringFormsStopAt1023Characters) {
    CString result = L"old";
    EXPECT_EQ(strFriendlify(CString(L"x/y"), result), 5);
    EXPECT_EQ(result, L"x$2Fy");
    EXPECT_EQ(strUnfriendlify(CString(L"$41\u00A70042"), result), 2);
    EXPECT_EQ(result, L"AB");
    EXPECT_EQ(strFriendlify(CString(L'a', 2000), result), 1023);
    EXPECT_EQ(result, CString(L'a', 1023));
    EXPECT_EQ(strUnfriendlify(CString(L'b', 1024), result), 1023);
    EXPECT_EQ(result.GetLength(), 1023);
}

// Random UTF-16 texts (lone surrogates and every escape length included) friendlified into
// outputs of random sizes: the output is what fits of the source, cut at a character boundary,
// and turns back into exactly that prefix.
TEST(FriendlyText, RoundTripProperty) {
    SeededRandom random;
    auto pick = [&](unsigned low, unsigned high) { return random.Pick(low, high); };
    for (int round = 0; round < 2000; ++round) {
        std::wstring source(pick(0, 60), L'\0');
        for (wchar_t& c : source) {
            const unsigned kind = pick(0, 3);
            c = wchar_t(kind == 0   ? pick(0x20, 0x7E)
                        : kind == 1 ? pick(1, 0xFF)
                        : kind == 2 ? pick(0xD800, 0xDFFF)
                                    : pick(0x100, 0xFFFF));
        }
        const unsigned size = pick(0, unsigned(5 * source.size() + 2));
        std::vector<wchar_t> out(size + 1, kFill);
        const int written = strFriendlify(source.c_str(), out.data(), size);
        ASSERT_EQ(out[size], kFill);
        if (size == 0) {
            ASSERT_EQ(written, 0);
            continue;
        }
        const std::wstring friendly(out.data());
        ASSERT_EQ(written, int(friendly.size()));
        std::vector<wchar_t> back(source.size() + 2);
        const int restored = strUnfriendlify(friendly.c_str(), back.data(), unsigned(back.size()));
        const std::wstring prefix(back.data(), restored);
        ASSERT_EQ(prefix, source.substr(0, prefix.size())) << "round " << round;
        // Cut only where the next character's form does not fit.
        if (prefix.size() < source.size()) {
            wchar_t next[2] = {source[prefix.size()], 0}, form[8];
            ASSERT_GT(written + strFriendlify(next, form, 8), int(size) - 1) << "round " << round;
        }
    }
}

} // namespace
