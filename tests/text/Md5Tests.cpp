// MD5 digests: a known answer, and blocks around the padding boundaries against the platform's.
#include "tuText.h"

#include <gtest/gtest.h>

#include <wincrypt.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::wstring Digest(const void* data, unsigned size) {
    wchar_t* text = hashMD5(data, size);
    const std::wstring digest = text ? text : L"(null)";
    std::free(text); // the caller's, from the C runtime
    return digest;
}

// The digest that the platform's cryptography API gives; empty, so never matching, on failure.
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

// A known digest anchors the comparison; the platform's covers every padding case.
TEST(Md5, MatchesKnownDigestsAndThePlatformAroundBlockBoundaries) {
    EXPECT_EQ(Digest(nullptr, 0), L"d41d8cd98f00b204e9800998ecf8427e");
    for (unsigned size : {0u, 1u, 55u, 56u, 57u, 63u, 64u, 65u, 119u, 120u, 1000000u}) {
        std::vector<unsigned char> block(size);
        for (unsigned i = 0; i < size; ++i)
            block[i] = static_cast<unsigned char>(i * 31 + (i >> 8));
        EXPECT_EQ(Digest(block.data(), size), PlatformDigest(block)) << size;
    }
}

} // namespace
