// Benchmarks of the text subsystem: hashMD5 against the platform's MD5 (and against the native
// figure that script/bench passes in TARN_NATIVE_MD5_BPS), strMem2Hex and strHex2Mem against
// a memcpy of the text's size.
#include "tuText.h"

#include <wincrypt.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace {

// Seconds of the fastest of `runs` calls of `work`.
double BestSeconds(int runs, const std::function<void()>& work) {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        LARGE_INTEGER start, end;
        ::QueryPerformanceCounter(&start);
        work();
        ::QueryPerformanceCounter(&end);
        best = std::min(best, double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart));
    }
    return best;
}

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

void PrintRatio(const char* what, size_t bytes, double library, const char* baselineName,
                double baseline) {
    std::printf("%-12s %8.1f MiB/s   %-22s %8.1f MiB/s   ratio %.2f\n", what,
                MiBPerSecond(bytes, library), baselineName, MiBPerSecond(bytes, baseline),
                baseline / library);
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
    constexpr int kRuns = 8;
    double library = ProcessorSeconds(
        kRuns, [&] { std::free(hashMD5(block.data(), static_cast<unsigned>(block.size()))); });
    double platform = ProcessorSeconds(kRuns, [&] { PlatformMd5(provider, block); });
    ::CryptReleaseContext(provider, 0);
    std::printf("MD5 of 64 MiB, processor time:\n");
    PrintRatio("hashMD5", block.size(), library, "platform MD5", platform);
    // Bytes per second of the native MD5, measured by the benchmark script before this run.
    if (const char* native = std::getenv("TARN_NATIVE_MD5_BPS"))
        PrintRatio("hashMD5", block.size(), library, "native MD5 (openssl)",
                   double(block.size()) / std::atof(native));
}

void BenchHex(size_t bytes) {
    std::vector<unsigned char> block(bytes);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<unsigned char>(i * 2654435761u >> 13);
    const size_t textBytes = 2 * bytes * sizeof(wchar_t);
    std::vector<unsigned char> copySource(textBytes, 0x41), copyTarget(textBytes);
    auto copy = [&] { std::memcpy(copyTarget.data(), copySource.data(), textBytes); };
    copy();
    double baseline = BestSeconds(20, copy);

    CString text;
    strMem2Hex(block.data(), static_cast<unsigned>(bytes), text);
    double toHex =
        BestSeconds(20, [&] { strMem2Hex(block.data(), static_cast<unsigned>(bytes), text); });
    std::vector<unsigned char> decoded(bytes);
    double fromHex = BestSeconds(
        20, [&] { strHex2Mem(text.GetString(), decoded.data(), static_cast<unsigned>(bytes)); });
    if (decoded != block)
        std::printf("strHex2Mem did not give the block back\n");
    std::printf("hex text of %zu KiB (%zu KiB of UTF-16), fastest elapsed time:\n", bytes >> 10,
                textBytes >> 10);
    PrintRatio("strMem2Hex", textBytes, toHex, "memcpy of the text", baseline);
    PrintRatio("strHex2Mem", textBytes, fromHex, "memcpy of the text", baseline);
}

} // namespace

int wmain() {
    BenchMd5();
    // A block whose text stays in the processor's caches, and one whose text does not.
    BenchHex(1u << 20);
    BenchHex(16u << 20);
    return 0;
}
