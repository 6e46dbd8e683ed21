// Benchmarks of the text subsystem: hashMD5 against the platform's MD5 (and against the native
// figure that script/bench passes in TARN_NATIVE_MD5_BPS), strMem2Hex and strHex2Mem against
// a memcpy of the text's size.
#include "tuText.h"

#include "BenchSupport.h"

#include <wincrypt.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace {

// Processor time (user and kernel) that the calling thread has used, in seconds.
double ThreadSeconds() {
    FILETIME created, exited, kernel, user;
    ::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernel, &user);
    auto seconds = [](const FILETIME& t) {
        return double(ULARGE_INTEGER{{t.dwLowDateTime, t.dwHighDateTime}}.QuadPart) * 1e-7;
    };
    return seconds(kernel) + seconds(user);
}

double MiBPerSecond(size_t bytes, double seconds) {
    return double(bytes) / seconds / (1024.0 * 1024.0);
}

// Speeds are compared, so a ratio above 1 means the library is the faster.
void PrintComparison(const char* what, const char* baselineName, const bench::Comparison& speeds) {
    std::printf("%-12s %8.1f MiB/s   %-22s %8.1f MiB/s\n", what, speeds.ours, baselineName,
                speeds.theirs);
    bench::PrintRatio(speeds.ratio);
}

// The platform's MD5 of a block through its cryptography API.
void PlatformMd5(HCRYPTPROV provider, const std::vector<unsigned char>& block) {
    HCRYPTHASH hash = 0;
    BYTE digest[16];
    DWORD length = sizeof digest;
    if (!::CryptCreateHash(provider, CALG_MD5, 0, 0, &hash) ||
        !::CryptHashData(hash, block.data(), static_cast<DWORD>(block.size()), 0) ||
        !::CryptGetHashParam(hash, HP_HASHVAL, digest, &length, 0))
        std::printf("platform MD5 failed: %lu\n", ::GetLastError());
    if (hash)
        ::CryptDestroyHash(hash);
}

// Processor seconds per call of `work`, averaged over `runs` calls. Unlike elapsed time, other
// programs on the machine do not lengthen it, and it is what the native figure counts.
double ProcessorSeconds(int runs, const std::function<void()>& work) {
    double start = ThreadSeconds();
    for (int i = 0; i < runs; ++i)
        work();
    return (ThreadSeconds() - start) / runs;
}

void BenchMd5() {
    std::vector<unsigned char> block(64u << 20);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<unsigned char>(i * 2654435761u >> 13);
    HCRYPTPROV provider = 0;
    if (!::CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
        std::printf("no cryptography provider: %lu\n", ::GetLastError());
        return;
    }
    constexpr int kRuns = 2;
    // Bytes per second of the native MD5, measured by the benchmark script before this run.
    const char* native = std::getenv("TARN_NATIVE_MD5_BPS");
    const double nativeSpeed = native ? std::atof(native) / (1024.0 * 1024.0) : 0;
    const auto [platform, versusNative] = bench::Compare<2>([&] {
        const double library =
            MiBPerSecond(block.size(), ProcessorSeconds(kRuns, [&] {
                             std::free(hashMD5(block.data(), static_cast<unsigned>(block.size())));
                         }));
        const double platformSpeed = MiBPerSecond(
            block.size(), ProcessorSeconds(kRuns, [&] { PlatformMd5(provider, block); }));
        return std::array{bench::Pair{library, platformSpeed}, bench::Pair{library, nativeSpeed}};
    });
    ::CryptReleaseContext(provider, 0);
    std::printf("MD5 of 64 MiB, processor time:\n");
    PrintComparison("hashMD5", "platform MD5", platform);
    if (native)
        PrintComparison("hashMD5", "native MD5 (openssl)", versusNative);
}

void BenchHex(size_t bytes) {
    std::vector<unsigned char> block(bytes);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<unsigned char>(i * 2654435761u >> 13);
    const size_t textBytes = 2 * bytes * sizeof(wchar_t);
    std::vector<unsigned char> copySource(textBytes, 0x41), copyTarget(textBytes);
    auto copy = [&] { std::memcpy(copyTarget.data(), copySource.data(), textBytes); };
    copy();
    CString text;
    strMem2Hex(block.data(), static_cast<unsigned>(bytes), text);
    std::vector<unsigned char> decoded(bytes);

    constexpr int kRuns = 8; // the fastest of these counts in each repetition
    const auto [toHex, fromHex] = bench::Compare<2>([&] {
        const double baseline = MiBPerSecond(textBytes, bench::BestSeconds(kRuns, copy));
        const double encode =
            MiBPerSecond(textBytes, bench::BestSeconds(kRuns, [&] {
                             strMem2Hex(block.data(), static_cast<unsigned>(bytes), text);
                         }));
        const double decode = MiBPerSecond(textBytes, bench::BestSeconds(kRuns, [&] {
                                               strHex2Mem(text.GetString(), decoded.data(),
                                                          static_cast<unsigned>(bytes));
                                           }));
        return std::array{bench::Pair{encode, baseline}, bench::Pair{decode, baseline}};
    });
    if (decoded != block)
        std::printf("strHex2Mem did not give the block back\n");
    std::printf("hex text of %zu KiB (%zu KiB of UTF-16), fastest elapsed time:\n", bytes >> 10,
                textBytes >> 10);
    PrintComparison("strMem2Hex", "memcpy of the text", toHex);
    PrintComparison("strHex2Mem", "memcpy of the text", fromHex);
}

} // namespace

int wmain() {
    BenchMd5();
    // A block whose text stays in the processor's caches, and one whose text does not.
    BenchHex(1u << 20);
    BenchHex(16u << 20);
    return 0;
}
