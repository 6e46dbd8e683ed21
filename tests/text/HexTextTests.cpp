// Hex form of memory both ways: random blocks and texts against a plain reference, and texts that
// end before an inaccessible page, through the exported functions and the steps of each level.
#include "tuText.h"

#include "text/HexSteps.h"

#include "SeededRandom.h"
#include "TestSupport.h"

#include <functional>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;
using Decoder = std::function<unsigned(const wchar_t*, unsigned char*, unsigned)>;
using tu::text::HexVectors;

// One way through hex both ways: the exported functions, or the steps at one vector level.
struct HexPath {
    const char* name;
    std::function<std::wstring(const Bytes&)> encode;
    Decoder decode;
};

std::wstring ExportedEncode(const Bytes& block) {
    CString text = L"an earlier text, replaced";
    EXPECT_TRUE(strMem2Hex(block.data(), unsigned(block.size()), text));
    return text.GetString();
}

HexPath StepsAt(const char* name, HexVectors level) {
    return {name,
            [level](const Bytes& block) {
                std::wstring text(2 * block.size(), L'\0');
                tu::text::EncodeHex(block.data(), block.size(), text.data(), level);
                return text;
            },
            [level](const wchar_t* text, unsigned char* out, unsigned size) {
                return tu::text::DecodeHex(text, out, size, level);
            }};
}

const HexPath kPaths[] = {{"exported", ExportedEncode, strHex2Mem},
                          StepsAt("SSE2 only", HexVectors::Sse2),
                          StepsAt("tables only", HexVectors::None)};

// Decodes into an output of `size` bytes inside a larger buffer; checks the rest stays.
Bytes Decode(const wchar_t* text, unsigned size, const Decoder& decode = strHex2Mem) {
    Bytes buffer(size + 8, 0xcc);
    const unsigned written = decode(text, buffer.data(), size);
    EXPECT_LE(written, size);
    for (size_t i = written; i < buffer.size(); ++i)
        EXPECT_EQ(buffer[i], 0xcc) << "byte " << i << " written";
    return Bytes(buffer.begin(), buffer.begin() + written);
}

// The cases the random texts below never make.
TEST(HexText, BadArgumentsChangeNothing) {
    CString text = L"kept";
    EXPECT_FALSE(strMem2Hex(nullptr, 3, text) || strMem2Hex("abc", 0, text));
    EXPECT_EQ(text, L"kept");
    EXPECT_EQ(Decode(nullptr, 8), Bytes());
    EXPECT_EQ(Decode(L"AABB", 0), Bytes());
    EXPECT_EQ(strHex2Mem(L"AABB", nullptr, 4), 0u);
}

// Random blocks against a plain encoding; random texts of digits and non-digits (some narrowing to
// digits if cut to 8 bits), cut and decoded into random sizes, against a one-by-one reading.
TEST(HexText, RandomBlocksAndTextsMatchTheReference) {
    SeededRandom random;
    for (const HexPath& path : kPaths) {
        SCOPED_TRACE(path.name);
        for (unsigned size = 1; size <= 300; ++size) {
            Bytes block(size);
            std::wstring expected;
            for (auto& b : block) {
                b = static_cast<unsigned char>(random.Pick(0, 255));
                expected += {L"0123456789ABCDEF"[b >> 4], L"0123456789ABCDEF"[b & 15]};
            }
            const std::wstring text = path.encode(block);
            ASSERT_EQ(text, expected) << size;
            ASSERT_EQ(Decode(text.c_str(), size, path.decode), block) << size;
        }
    }
    const std::wstring digits = L"0123456789ABCDEFabcdef";
    const std::wstring others = L"gG /:@`\x7F\x80\xFF\u0130\u0141\u0161\u8030\uFF10\uFFFF";
    auto digit = [](wchar_t c) -> unsigned {
        return c >= L'0' && c <= L'9'                     ? c - L'0'
               : (c | 0x20) >= L'a' && (c | 0x20) <= L'f' ? (c | 0x20) - L'a' + 10
                                                          : 0;
    };
    for (int round = 0; round < 3000; ++round) {
        std::wstring text(random.Pick(0, 200), L'0');
        for (wchar_t& c : text)
            c = random.Pick(0, 20) ? digits[random.Pick(0, 21)]
                                   : others[random.Pick(0, unsigned(others.size() - 1))];
        if (!text.empty() && random.Pick(0, 3) == 0)
            text[random.Pick(0, unsigned(text.size() - 1))] = L'\0';
        const unsigned size = random.Pick(1, 120);
        Bytes expected;
        for (size_t i = 0; i + 1 < text.size() && text[i] && text[i + 1] && expected.size() < size;
             i += 2)
            expected.push_back(
                static_cast<unsigned char>(digit(text[i]) << 4 | digit(text[i + 1])));
        for (const HexPath& path : kPaths)
            ASSERT_EQ(Decode(text.c_str(), size, path.decode), expected)
                << path.name << ", round " << round << " " << tutest::Narrow(text);
    }
}

TEST(HexText, ReadsStopAtTheTextsLastPage) {
    auto* base =
        static_cast<unsigned char*>(::VirtualAlloc(nullptr, 8192, MEM_COMMIT, PAGE_READWRITE));
    DWORD old;
    ASSERT_TRUE(::VirtualProtect(base + 4096, 4096, PAGE_NOACCESS, &old));
    for (size_t chars = 1; chars <= 100; ++chars) {
        SCOPED_TRACE(chars);
        auto* text = reinterpret_cast<wchar_t*>(base + 4096) - chars;
        for (size_t i = 0; i + 1 < chars; ++i)
            text[i] = L"0123456789abcdef"[i % 16];
        text[chars - 1] = L'\0';
        for (const HexPath& path : kPaths)
            EXPECT_EQ(Decode(text, 64, path.decode).size(), std::min<size_t>((chars - 1) / 2, 64))
                << path.name;
    }
    ::VirtualFree(base, 0, MEM_RELEASE);
}

} // namespace
