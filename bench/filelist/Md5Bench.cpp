// Throughput of our MD5 against OpenSSL's on a stream fed in 8 KiB blocks, in one binary so
// both run on the same machine state. Each benchmark also reports core clock cycles per byte:
// a chain of dependent additions (one cycle each) first tells the core clock, since the
// nominal clock says little about a boosting processor; both use the thread's CPU time, so
// time spent descheduled on a shared machine counts in neither.
#include "filelist/TMD5.h"

#include <benchmark/benchmark.h>
#include <ctime>
#include <openssl/evp.h>

#include <vector>

namespace {

constexpr std::size_t blockSize = 8192;
constexpr std::size_t blocksPerRun = 1024; // 8 MiB per iteration, fits the cache hierarchy poorly on purpose

const std::vector<unsigned char>& input() {
    static const std::vector<unsigned char> bytes = [] {
        std::vector<unsigned char> b(blockSize * 16);
        for (std::size_t i = 0; i < b.size(); ++i)
            b[i] = static_cast<unsigned char>(i * 131 + 7);
        return b;
    }();
    return bytes;
}

double threadSeconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double coreHertz() {
    static const double hertz = [] {
        constexpr std::uint64_t rounds = 50'000'000;
        std::uint64_t x = 0;
        const double start = threadSeconds();
        for (std::uint64_t i = 0; i < rounds; ++i) {
            asm volatile("add $1, %0\n\tadd $1, %0\n\tadd $1, %0\n\tadd $1, %0\n\t"
                         "add $1, %0\n\tadd $1, %0\n\tadd $1, %0\n\tadd $1, %0"
                         : "+r"(x));
        }
        return double(8 * rounds) / (threadSeconds() - start);
    }();
    return hertz;
}

template <typename Run> void measure(benchmark::State& state, Run run) {
    const auto& data = input();
    coreHertz();
    double seconds = 0;
    for (auto _ : state) {
        const double start = threadSeconds();
        run(data);
        seconds += threadSeconds() - start;
    }
    const double bytes = double(state.iterations()) * blockSize * blocksPerRun;
    state.SetBytesProcessed(std::int64_t(bytes));
    state.counters["cycles_per_byte"] = seconds * coreHertz() / bytes;
}

void OurMd5(benchmark::State& state) {
    measure(state, [](const std::vector<unsigned char>& data) {
        kaldoria::filelist::TMD5 md5;
        for (std::size_t i = 0; i < blocksPerRun; ++i)
            md5.Add(data.data() + (i % 16) * blockSize, blockSize);
        benchmark::DoNotOptimize(md5.Digest());
    });
}

void OpenSslMd5(benchmark::State& state) {
    measure(state, [](const std::vector<unsigned char>& data) {
        EVP_MD_CTX* ctx = EVP_MD_CTX_new();
        EVP_DigestInit_ex(ctx, EVP_md5(), nullptr);
        for (std::size_t i = 0; i < blocksPerRun; ++i)
            EVP_DigestUpdate(ctx, data.data() + (i % 16) * blockSize, blockSize);
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        EVP_DigestFinal_ex(ctx, digest, &length);
        EVP_MD_CTX_free(ctx);
        benchmark::DoNotOptimize(digest);
    });
}

} // namespace

BENCHMARK(OurMd5)->Unit(benchmark::kMillisecond);
BENCHMARK(OpenSslMd5)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
