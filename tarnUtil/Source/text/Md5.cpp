// MD5 message digests (RFC 1321) of memory blocks, as lower-case hex text.
#include "tuText.h"

#include "common/HexDigits.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// The working context, in the order of RFC 1321's reference context plus the digest.
struct Md5Context {
    uint32_t state[4];
    uint32_t count[2]; // message length in bits, low word first
    unsigned char buffer[64];
    unsigned char digest[16];
};

constexpr size_t kBlock = 64;

// Message words are little-endian; the library only targets little-endian machines, where a
// plain unaligned load gives the word.
uint32_t LoadWord(const unsigned char* p) {
    uint32_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

void StoreWord(unsigned char* p, uint32_t word) {
    std::memcpy(p, &word, sizeof word);
}

inline uint32_t RotateLeft(uint32_t x, int n) {
    return (x << n) | (x >> (32 - n));
}

// The four rounds' steps, arranged so that only the newest state word is on the dependency
// chain: the message word, the constant and every term without `b` are added first.
// F: (b & c) | (~b & d), written as d ^ (b & (c ^ d)).
#define MD5_F(a, b, c, d, x, s, k)                                                                 \
    a += (x) + (k);                                                                                \
    a += (d) ^ ((b) & ((c) ^ (d)));                                                                \
    a = RotateLeft(a, s) + (b)
// G: (b & d) | (c & ~d); the two terms have no bit in common, so they are added separately.
#define MD5_G(a, b, c, d, x, s, k)                                                                 \
    a += (x) + (k) + ((c) & ~(d));                                                                 \
    a += (b) & (d);                                                                                \
    a = RotateLeft(a, s) + (b)
#define MD5_H(a, b, c, d, x, s, k)                                                                 \
    a += (x) + (k);                                                                                \
    a += (b) ^ (c) ^ (d);                                                                          \
    a = RotateLeft(a, s) + (b)
#define MD5_I(a, b, c, d, x, s, k)                                                                 \
    a += (x) + (k);                                                                                \
    a += (c) ^ ((b) | ~(d));                                                                       \
    a = RotateLeft(a, s) + (b)

// Runs the 64 steps over `blocks` consecutive 64-byte blocks at `data`.
void Transform(uint32_t state[4], const unsigned char* data, size_t blocks) {
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (; blocks; --blocks, data += kBlock) {
        uint32_t x[16];
        for (int i = 0; i < 16; ++i)
            x[i] = LoadWord(data + 4 * i);
        const uint32_t a0 = a, b0 = b, c0 = c, d0 = d;

        MD5_F(a, b, c, d, x[0], 7, 0xd76aa478);
        MD5_F(d, a, b, c, x[1], 12, 0xe8c7b756);
        MD5_F(c, d, a, b, x[2], 17, 0x242070db);
        MD5_F(b, c, d, a, x[3], 22, 0xc1bdceee);
        MD5_F(a, b, c, d, x[4], 7, 0xf57c0faf);
        MD5_F(d, a, b, c, x[5], 12, 0x4787c62a);
        MD5_F(c, d, a, b, x[6], 17, 0xa8304613);
        MD5_F(b, c, d, a, x[7], 22, 0xfd469501);
        MD5_F(a, b, c, d, x[8], 7, 0x698098d8);
        MD5_F(d, a, b, c, x[9], 12, 0x8b44f7af);
        MD5_F(c, d, a, b, x[10], 17, 0xffff5bb1);
        MD5_F(b, c, d, a, x[11], 22, 0x895cd7be);
        MD5_F(a, b, c, d, x[12], 7, 0x6b901122);
        MD5_F(d, a, b, c, x[13], 12, 0xfd987193);
        MD5_F(c, d, a, b, x[14], 17, 0xa679438e);
        MD5_F(b, c, d, a, x[15], 22, 0x49b40821);

        MD5_G(a, b, c, d, x[1], 5, 0xf61e2562);
        MD5_G(d, a, b, c, x[6], 9, 0xc040b340);
        MD5_G(c, d, a, b, x[11], 14, 0x265e5a51);
        MD5_G(b, c, d, a, x[0], 20, 0xe9b6c7aa);
        MD5_G(a, b, c, d, x[5], 5, 0xd62f105d);
        MD5_G(d, a, b, c, x[10], 9, 0x02441453);
        MD5_G(c, d, a, b, x[15], 14, 0xd8a1e681);
        MD5_G(b, c, d, a, x[4], 20, 0xe7d3fbc8);
        MD5_G(a, b, c, d, x[9], 5, 0x21e1cde6);
        MD5_G(d, a, b, c, x[14], 9, 0xc33707d6);
        MD5_G(c, d, a, b, x[3], 14, 0xf4d50d87);
        MD5_G(b, c, d, a, x[8], 20, 0x455a14ed);
        MD5_G(a, b, c, d, x[13], 5, 0xa9e3e905);
        MD5_G(d, a, b, c, x[2], 9, 0xfcefa3f8);
        MD5_G(c, d, a, b, x[7], 14, 0x676f02d9);
        MD5_G(b, c, d, a, x[12], 20, 0x8d2a4c8a);

        MD5_H(a, b, c, d, x[5], 4, 0xfffa3942);
        MD5_H(d, a, b, c, x[8], 11, 0x8771f681);
        MD5_H(c, d, a, b, x[11], 16, 0x6d9d6122);
        MD5_H(b, c, d, a, x[14], 23, 0xfde5380c);
        MD5_H(a, b, c, d, x[1], 4, 0xa4beea44);
        MD5_H(d, a, b, c, x[4], 11, 0x4bdecfa9);
        MD5_H(c, d, a, b, x[7], 16, 0xf6bb4b60);
        MD5_H(b, c, d, a, x[10], 23, 0xbebfbc70);
        MD5_H(a, b, c, d, x[13], 4, 0x289b7ec6);
        MD5_H(d, a, b, c, x[0], 11, 0xeaa127fa);
        MD5_H(c, d, a, b, x[3], 16, 0xd4ef3085);
        MD5_H(b, c, d, a, x[6], 23, 0x04881d05);
        MD5_H(a, b, c, d, x[9], 4, 0xd9d4d039);
        MD5_H(d, a, b, c, x[12], 11, 0xe6db99e5);
        MD5_H(c, d, a, b, x[15], 16, 0x1fa27cf8);
        MD5_H(b, c, d, a, x[2], 23, 0xc4ac5665);

        MD5_I(a, b, c, d, x[0], 6, 0xf4292244);
        MD5_I(d, a, b, c, x[7], 10, 0x432aff97);
        MD5_I(c, d, a, b, x[14], 15, 0xab9423a7);
        MD5_I(b, c, d, a, x[5], 21, 0xfc93a039);
        MD5_I(a, b, c, d, x[12], 6, 0x655b59c3);
        MD5_I(d, a, b, c, x[3], 10, 0x8f0ccc92);
        MD5_I(c, d, a, b, x[10], 15, 0xffeff47d);
        MD5_I(b, c, d, a, x[1], 21, 0x85845dd1);
        MD5_I(a, b, c, d, x[8], 6, 0x6fa87e4f);
        MD5_I(d, a, b, c, x[15], 10, 0xfe2ce6e0);
        MD5_I(c, d, a, b, x[6], 15, 0xa3014314);
        MD5_I(b, c, d, a, x[13], 21, 0x4e0811a1);
        MD5_I(a, b, c, d, x[4], 6, 0xf7537e82);
        MD5_I(d, a, b, c, x[11], 10, 0xbd3af235);
        MD5_I(c, d, a, b, x[2], 15, 0x2ad7d2bb);
        MD5_I(b, c, d, a, x[9], 21, 0xeb86d391);

        a += a0;
        b += b0;
        c += c0;
        d += d0;
    }
    state[0] = a;
    state[1] = b;
    state[2] = c;
    state[3] = d;
}

#undef MD5_F
#undef MD5_G
#undef MD5_H
#undef MD5_I

void Init(Md5Context& context) {
    context.state[0] = 0x67452301;
    context.state[1] = 0xefcdab89;
    context.state[2] = 0x98badcfe;
    context.state[3] = 0x10325476;
    context.count[0] = context.count[1] = 0;
}

// Adds `size` bytes: tops up the buffered block, then transforms whole blocks straight from
// the input and keeps the rest.
void Update(Md5Context& context, const unsigned char* data, size_t size) {
    size_t buffered = (context.count[0] >> 3) & (kBlock - 1);
    uint64_t bits = (static_cast<uint64_t>(context.count[1]) << 32 | context.count[0]) +
                    (static_cast<uint64_t>(size) << 3);
    context.count[0] = static_cast<uint32_t>(bits);
    context.count[1] = static_cast<uint32_t>(bits >> 32);

    if (buffered) {
        size_t fill = kBlock - buffered;
        if (size < fill) {
            std::memcpy(context.buffer + buffered, data, size);
            return;
        }
        std::memcpy(context.buffer + buffered, data, fill);
        Transform(context.state, context.buffer, 1);
        data += fill;
        size -= fill;
    }
    Transform(context.state, data, size / kBlock);
    std::memcpy(context.buffer, data + size / kBlock * kBlock, size % kBlock);
}

// Pads with 0x80 and zeros to 56 bytes modulo 64, appends the bit length, writes the digest
// and clears everything but the digest.
void Final(Md5Context& context) {
    unsigned char length[8];
    StoreWord(length, context.count[0]);
    StoreWord(length + 4, context.count[1]);
    size_t buffered = (context.count[0] >> 3) & (kBlock - 1);
    size_t padding = (buffered < 56 ? 56 : 120) - buffered;
    static constexpr unsigned char kPadding[kBlock] = {0x80};
    Update(context, kPadding, padding);
    Update(context, length, sizeof length);
    for (int i = 0; i < 4; ++i)
        StoreWord(context.digest + 4 * i, context.state[i]);
    std::memset(context.state, 0, sizeof context.state);
    std::memset(context.count, 0, sizeof context.count);
    std::memset(context.buffer, 0, sizeof context.buffer);
}

} // namespace

wchar_t* WINAPI hashMD5(const void* data, unsigned int size) {
    Md5Context context;
    Init(context);
    if (size)
        Update(context, static_cast<const unsigned char*>(data), size);
    Final(context);

    // The digits are ASCII, the same in every code page, so they are written as UTF-16 directly.
    constexpr size_t kDigits = 2 * sizeof context.digest;
    auto* text = static_cast<wchar_t*>(std::malloc((kDigits + 1) * sizeof(wchar_t)));
    if (!text)
        return nullptr;
    tu::text::PutDigitPairs(context.digest, sizeof context.digest, tu::text::kLowerPairs, text);
    text[kDigits] = L'\0';
    return text;
}
