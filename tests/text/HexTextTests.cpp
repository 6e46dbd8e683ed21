// Hex form of memory both ways: fixed cases, odd and invalid digits, long texts against a plain
// reference, and texts that end right before an inaccessible page.
#include "tuText.h"

#include "SeededRandom.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

// The reading of a hex text as documented, one character at a time.
Bytes ReferenceDecode(const std::wstring& text, size_t size) {
    auto digit = [](wchar_t c) -> unsigned {
        if (c >= L'0' && c <= L'9')
            return c - L'0';
        if ((c | 0x20) >= L'a' && (c | 0x20) <= L'f')
            return (c | 0x20) - L'a' + 10;
        return 0;
    };
    Bytes bytes;
    for (size_t i = 0; i + 1 < text.size() && bytes.size() < size; i += 2) {
        if (!text[i] || !text[i + 1])
            break;
        bytes.push_back(static_cast<unsigned char>(digit(text[i]) << 4 | digit(text[i + 1])));
    }
    return bytes;
}

// Decodes into an output of `size` bytes inside a 0xcc-filled buffer; checks the rest stays.
Bytes Decode(const wchar_t* text, unsigned size) {
    Bytes buffer(size + 8, 0xcc);
    unsigned written = strHex2Mem(text, buffer.data(), size);
    EXPECT_LE(written, size);
    for (size_t i = written; i < buffer.size(); ++i)
        EXPECT_EQ(buffer[i], 0xcc) << "byte " << i << " written";
    return Bytes(buffer.begin(), buffer.begin() + written);
}

TEST(HexText, MemToHex) {
    CString text = L"kept";
    EXPECT_FALSE(strMem2Hex(nullptr, 3, text));
    EXPECT_FALSE(strMem2Hex("abc", 0, text));
    EXPECT_EQ(text, L"kept");
    const unsigned char bytes[] = {0x00, 0xAB, 0x1F};
    EXPECT_TRUE(strMem2Hex(bytes, 3, text));
    EXPECT_EQ(text, L"00AB1F");

    // Every byte value at every position of the vector steps and the tail after them.
    Bytes all(256 + 17);
    for (size_t i = 0; i < all.size(); ++i)
        all[i] = static_cast<unsigned char>(i * 7);
    for (unsigned size : {1u, 15u, 16u, 17u, 33u, 256u + 17u}) {
        SCOPED_TRACE(size);
        ASSERT_TRUE(strMem2Hex(all.data(), size, text));
        std::wstring expected;
        for (unsigned i = 0; i < size; ++i) {
            wchar_t pair[3];
            swprintf(pair, 3, L"%02X", all[i]);
            expected += pair;
        }
        EXPECT_EQ(std::wstring(text.GetString()), expected);
    }
}

TEST(HexText, HexToMem) {
    EXPECT_EQ(Decode(L"00ab1F", 8), (Bytes{0x00, 0xAB, 0x1F}));
    EXPECT_EQ(Decode(L"ABC", 8), (Bytes{0xAB}));
    EXPECT_EQ(Decode(L"G1", 8), (Bytes{0x01}));
    EXPECT_EQ(Decode(L"z\u0131 f\uFF10\uFF41", 8), (Bytes{0x00, 0x0F, 0x00}));
    EXPECT_EQ(Decode(L"AABBCC", 2), (Bytes{0xAA, 0xBB}));
    EXPECT_EQ(Decode(L"A", 8), Bytes());
    EXPECT_EQ(Decode(L"", 8), Bytes());
    EXPECT_EQ(Decode(nullptr, 8), Bytes());
    EXPECT_EQ(Decode(L"AABB", 0), Bytes());
    EXPECT_EQ(strHex2Mem(L"AABB", nullptr, 4), 0u);
}

// Long texts go through the vector steps: random digits of both cases sprinkled with code units
// that are no digits (some of them narrowing to digits if cut to 8 bits), a terminator at a
// random place, and random output sizes.
TEST(HexText, LongTextsMatchTheReference) {
    SeededRandom random;
    auto pick = [&](unsigned low, unsigned high) { return random.Pick(low, high); };
    const std::wstring digits = L"0123456789ABCDEFabcdef";
    const std::wstring others = L"gG /:@`\x7F\x80\xFF\u0130\u0141\u0161\u8030\uFF10\uFFFF";
    for (int round = 0; round < 3000; ++round) {
        std::wstring text(pick(0, 200), L'0');
        for (wchar_t& c : text)
            c = pick(0, 20) ? digits[pick(0, 21)] : others[pick(0, unsigned(others.size() - 1))];
        if (!text.empty() && pick(0, 3) == 0)
            text[pick(0, unsigned(text.size() - 1))] = L'\0';
        const unsigned size = pick(1, 120);
        ASSERT_EQ(Decode(text.c_str(), size), ReferenceDecode(text, size))
            << "round " << round << " " << tutest::Narrow(text);
    }
    Bytes block(1000);
    for (auto& b : block)
        b = static_cast<unsigned char>(pick(0, 255));
    CString text;
    ASSERT_TRUE(strMem2Hex(block.data(), unsigned(block.size()), text));
    EXPECT_EQ(Decode(text.GetString(), unsigned(block.size())), block);
}

// A text that ends at the end of its page, before a page that may not be read.
TEST(HexText, ReadsStopAtTheTextsLastPage) {
    SYSTEM_INFO info;
    ::GetSystemInfo(&info);
    const size_t page = info.dwPageSize;
    auto* base = static_cast<unsigned char*>(
        ::VirtualAlloc(nullptr, 2 * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(base, nullptr);
    DWORD old;
    ASSERT_TRUE(::VirtualProtect(base + page, page, PAGE_NOACCESS, &old));
    for (size_t chars = 1; chars <= 100; ++chars) {
        SCOPED_TRACE(chars);
        auto* text = reinterpret_cast<wchar_t*>(base + page) - chars;
        for (size_t i = 0; i + 1 < chars; ++i)
            text[i] = L"0123456789abcdef"[i % 16];
        text[chars - 1] = L'\0';
        EXPECT_EQ(Decode(text, 64).size(), std::min<size_t>((chars - 1) / 2, 64));
    }
    ::VirtualFree(base, 0, MEM_RELEASE);
}

} // namespace
