// Cutting speed of FastCdc on one core: over 256 MiB of random bytes in memory, and over a
// file of the same bytes read in FileChunker's blocks (from the page cache after the first
// pass). SHA-256 of the same bytes runs beside it as the yardstick: publishing and updating
// hash every chunk, so cutting must cost well below hashing. Speeds are per CPU second of
// the benchmark thread, so they hold per core on a busy machine too.
#include "chunks/FastCdc.h"
#include "chunks/FileChunker.h"
#include "trust/Sha256.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>

using namespace kaldoria;

namespace {

constexpr qsizetype kSize = qsizetype(256) * 1024 * 1024;

const QByteArray& content() {
    static const QByteArray bytes = [] {
        QByteArray b(kSize, Qt::Uninitialized);
        std::mt19937_64 random(1);
        for (qsizetype i = 0; i < kSize; i += 8) {
            const std::uint64_t word = random();
            std::memcpy(b.data() + i, &word, 8);
        }
        return b;
    }();
    return bytes;
}

void CutInMemory(benchmark::State& state) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(content().constData());
    std::size_t chunks = 0;
    for (auto _ : state) {
        for (std::size_t at = 0, size = std::size_t(kSize); at < size; ++chunks)
            at += chunks::FastCdc::cut(data + at, size - at);
    }
    state.SetBytesProcessed(state.iterations() * kSize);
    state.counters["avg_chunk"] = double(state.iterations() * kSize) / double(chunks);
}
BENCHMARK(CutInMemory)->Unit(benchmark::kMillisecond);

void CutFile(benchmark::State& state) {
    const QTemporaryDir dir(QStringLiteral("/tmp/kaldoria-cut-XXXXXX"));
    const QString path = dir.filePath(QStringLiteral("content"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content()) != kSize) {
        state.SkipWithError("cannot write the file");
        return;
    }
    file.close();
    for (auto _ : state) {
        qint64 total = 0;
        const QString reason = chunks::FileChunker::cut(path, [&total](qint64, QByteArrayView bytes) {
            total += bytes.size();
            return QString();
        });
        if (!reason.isEmpty() || total != kSize)
            state.SkipWithError("cutting failed");
    }
    state.SetBytesProcessed(state.iterations() * kSize);
}
BENCHMARK(CutFile)->Unit(benchmark::kMillisecond);

void Sha256InMemory(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(trust::Sha256::of(content()));
    state.SetBytesProcessed(state.iterations() * kSize);
}
BENCHMARK(Sha256InMemory)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
