// MD5 digests: the test strings of RFC 1321, and blocks around the padding boundaries compared
// with the platform's own MD5.
#include "tuText.h"

#include <gtest/gtest.h>

#include <wincrypt.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::wstring Digest(const void* data, unsigned size) {
    wchar_t* text = hashMD5(data, size);
    const std::wstring digest = text ? text : L"(null)";
    std::free(text); // the caller's, from the C runtime
    return digest;
}

// The digest that the platform's cryptography API gives.
std::wstring PlatformDigest(const std::vector<unsigned char>& block) {
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    BYTE digest[16];
    DWORD length = sizeof digest;
    std::wstring text;
    if (::CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) &&
        ::CryptCreateHash(provider, CALG_MD5, 0, 0, &hash) &&
        ::CryptHashData(hash, block.data(), DWORD(block.size()), 0) &&
        ::CryptGetHashParam(hash, HP_HASHVAL, digest, &length, 0))
        for (BYTE b : digest)
            text += {L"0123456789abcdef"[b >> 4], L"0123456789abcdef"[b & 15]};
    ::CryptDestroyHash(hash);
    ::CryptReleaseContext(provider, 0);
    return text;
}

TEST(Md5, TestSuiteOfRfc1321) {
    const struct {
        const char* text;
        const wchar_t* digest;
    } rows[] = {
        {"", L"d41d8cd98f00b204e9800998ecf8427e"},
        {"a", L"0cc175b9c0f1b6a831c399e269772661"},
        {"abc", L"900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", L"f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", L"c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         L"d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890"
         "12345678901234567890"
         "12345678901234567890"
         "12345678901234567890",
         L"57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Digest(row.text, unsigned(std::strlen(row.text))), row.digest) << row.text;
    EXPECT_EQ(Digest(nullptr, 0), L"d41d8cd98f00b204e9800998ecf8427e");
}

TEST(Md5, MatchesThePlatformAroundBlockBoundaries) {
    for (unsigned size : {0u, 1u, 55u, 56u, 57u, 63u, 64u, 65u, 119u, 120u, 1000000u}) {
        std::vector<unsigned char> block(size);
        for (unsigned i = 0; i < size; ++i)
            block[i] = static_cast<unsigned char>(i * 31 + (i >> 8));
        const std::wstring platform = PlatformDigest(block);
        EXPECT_EQ(platform.size(), 32u) << size;
        EXPECT_EQ(Digest(block.data(), size), platform) << size;
    }
}

} // namespace
