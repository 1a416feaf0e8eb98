// Throughput and memory of the fetch engine against nginx on loopback, compared
// in the same run with aria2c (-x6 -s6 -k1M) and curl (one connection).
//
//   kaldoria-download-bench [--size MIB] [--rate NGINX_LIMIT] [--threads N] [--runs N] [--folder DIR]
//   kaldoria-download-bench --fetch URL TARGET THREADS   (one download; prints "rss_kib N")

#include "NginxServer.h"
#include "TestFiles.h"
#include "download/FetchEngine.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <future>
#include <sys/resource.h>
#include <unistd.h>

using namespace kaldoria;

namespace {

struct Options {
    qint64 sizeMiB = 1024;
    QString rate;
    int threads = 6;
    int runs = 3;
    QString folder = QStringLiteral("/tmp");
};

int fetch(const QString& url, const QString& target, int connections) {
    std::promise<bool> done;
    download::FetchOptions options;
    options.connections = connections;
    download::FetchEngine engine(options, {},
                                 [&](const download::FetchOutcome& outcome) { done.set_value(outcome.ok()); });
    engine.fetch({.id = 0, .url = url, .path = target});
    const bool ok = done.get_future().get();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("rss_kib %ld\n", usage.ru_maxrss);
    return ok ? 0 : 1;
}

struct Sample {
    double seconds = 0;
    qint64 rssKiB = 0;
    bool ok = false;
};

// Runs one download command, times it and checks the target's size.
Sample runPeer(const QString& program, const QStringList& arguments, const QString& target, qint64 size) {
    QFile::remove(target);
    QProcess process;
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    process.waitForFinished(-1);
    Sample sample;
    sample.seconds = double(timer.nsecsElapsed()) / 1e9;
    const QByteArray output = process.readAllStandardOutput();
    const qsizetype at = output.indexOf("rss_kib ");
    if (at >= 0)
        sample.rssKiB = output.mid(at + 8).trimmed().toLongLong();
    sample.ok = process.exitCode() == 0 && QFile(target).size() == size;
    QFile::remove(target);
    return sample;
}

// Writes the source file's data to disk now, so that its write-back does not slow whichever
// peer runs first.
bool flushToDisk(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && ::fsync(file.handle()) == 0;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

Options parse(const QStringList& args) {
    Options options;
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        const QString& name = args[i];
        const QString& value = args[i + 1];
        if (name == QLatin1String("--size"))
            options.sizeMiB = value.toLongLong();
        else if (name == QLatin1String("--rate"))
            options.rate = value;
        else if (name == QLatin1String("--threads"))
            options.threads = value.toInt();
        else if (name == QLatin1String("--runs"))
            options.runs = value.toInt();
        else if (name == QLatin1String("--folder"))
            options.folder = value;
    }
    return options;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && args[1] == QLatin1String("--fetch"))
        return fetch(args[2], args[3], args[4].toInt());

    const Options options = parse(args);
    QTemporaryDir folder(options.folder + QStringLiteral("/kaldoria-bench-XXXXXX"));
    const qint64 size = options.sizeMiB << 20;
    const QString source = folder.filePath(QStringLiteral("file.bin"));
    if (!folder.isValid() || !testsupport::writePatternFile(source, size) || !flushToDisk(source)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(source));
        return 2;
    }
    testsupport::NginxServer nginx({.root = folder.path(), .limitRate = options.rate});
    if (!nginx.start()) {
        std::fprintf(stderr, "nginx: %s\n", qPrintable(nginx.errorText()));
        return 2;
    }
    const QString url = nginx.url(QStringLiteral("file.bin"));
    const QString target = folder.filePath(QStringLiteral("target.bin"));
    const QString threads = QString::number(options.threads);

    struct Peer {
        const char* name;
        QString program;
        QStringList arguments;
        std::vector<double> seconds;
        qint64 rssKiB = 0;
    };
    std::vector<Peer> peers = {
        {"kaldoria", app.applicationFilePath(), {QStringLiteral("--fetch"), url, target, threads}, {}},
        {"aria2c",
         QStringLiteral("aria2c"),
         {QStringLiteral("-q"), QStringLiteral("-x") + threads, QStringLiteral("-s") + threads, QStringLiteral("-k1M"),
          QStringLiteral("--allow-overwrite=true"), QStringLiteral("-d"), folder.path(), QStringLiteral("-o"),
          QStringLiteral("target.bin"), url},
         {}},
        {"curl", QStringLiteral("curl"), {QStringLiteral("-s"), QStringLiteral("-o"), target, url}, {}},
    };
    for (int run = 0; run < options.runs; ++run) {
        // Each run starts with another peer, so that none always runs right after a writer.
        std::rotate(peers.begin(), peers.begin() + 1, peers.end());
        for (Peer& peer : peers) {
            const Sample sample = runPeer(peer.program, peer.arguments, target, size);
            if (!sample.ok) {
                std::fprintf(stderr, "%s failed\n", peer.name);
                return 1;
            }
            peer.seconds.push_back(sample.seconds);
            peer.rssKiB = std::max(peer.rssKiB, sample.rssKiB);
        }
    }

    std::printf("file %lld MiB, nginx limit_rate %s, %d connections, median of %d runs\n", options.sizeMiB,
                options.rate.isEmpty() ? "none" : qPrintable(options.rate), options.threads, options.runs);
    // Back to the listed order: kaldoria, aria2c, curl.
    std::rotate(peers.begin(), peers.begin() + (peers.size() - options.runs % peers.size()) % peers.size(),
                peers.end());
    const double ours = double(size) / 1e6 / median(peers[0].seconds);
    for (const Peer& peer : peers) {
        const double rate = double(size) / 1e6 / median(peer.seconds);
        std::printf("%-9s %8.1f MB/s  kaldoria/%s %.2f", peer.name, rate, peer.name, ours / rate);
        if (peer.rssKiB > 0)
            std::printf("  peak RSS %.1f MiB", double(peer.rssKiB) / 1024);
        std::printf("\n");
    }
    return 0;
}
