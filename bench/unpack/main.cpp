// Extraction speed of ExtractArchive against `unrar x` on the same archive in the same run.
//
// Makes FILES files of SIZE MiB in total (partly compressible data), packs them with
// `rar a -m1`, then extracts the archive RUNS times with each, alternating, into fresh
// folders, and prints the median times and their ratio (ours / unrar).
//
// Usage: kaldoria-unpack-bench [--size MIB] [--files N] [--runs R] [--work DIR]
#include <unpack/PackedFile.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

struct Options {
    qint64 sizeMiB = 1024;
    int files = 200;
    int runs = 3;
    QString work;
};

Options parse(const QStringList& args) {
    Options o;
    for (qsizetype i = 0; i + 1 < args.size(); i += 2) {
        if (args[i] == u"--size")
            o.sizeMiB = args[i + 1].toLongLong();
        else if (args[i] == u"--files")
            o.files = args[i + 1].toInt();
        else if (args[i] == u"--runs")
            o.runs = args[i + 1].toInt();
        else if (args[i] == u"--work")
            o.work = args[i + 1];
    }
    return o;
}

// Text-like bytes from a small alphabet with runs: compresses to roughly half.
void writeSample(const QString& name, qint64 size, quint32 seed) {
    QFile file(name);
    file.open(QIODevice::WriteOnly);
    QByteArray block(1 << 20, Qt::Uninitialized);
    quint32 state = seed * 2654435761u + 7;
    for (qint64 done = 0; done < size; done += block.size()) {
        for (char& c : block) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            c = static_cast<char>(" etaoinshrdlucmfwypvbgkqjxz0123456789"[(state >> 8) % 37]);
        }
        file.write(block.constData(), std::min<qint64>(block.size(), size - done));
    }
}

bool runProgram(const QString& program, const QStringList& args, const QString& workDir = {}) {
    QProcess process;
    process.setWorkingDirectory(workDir);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(program, args);
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const Options o = parse(app.arguments().mid(1));
    QTextStream out(stdout);
    QTemporaryDir temporary;
    const QDir work(o.work.isEmpty() ? temporary.path() : o.work);
    QDir().mkpath(work.path());
    const QString archive = work.filePath(QStringLiteral("bench.rar"));

    if (!QFile::exists(archive)) {
        out << "making " << o.files << " files, " << o.sizeMiB << " MiB in all, and packing them with rar -m1\n";
        out.flush();
        const QString source = work.filePath(QStringLiteral("src"));
        QDir().mkpath(source);
        const qint64 each = (o.sizeMiB << 20) / o.files;
        for (int i = 0; i < o.files; ++i)
            writeSample(source + QStringLiteral("/file%1.dat").arg(i, 3, 10, QLatin1Char('0')), each, i + 1);
        if (!runProgram(QStringLiteral("rar"),
                        {QStringLiteral("a"), QStringLiteral("-y"), QStringLiteral("-idq"), QStringLiteral("-m1"),
                         QStringLiteral("-r"), archive, QStringLiteral(".")},
                        source)) {
            out << "rar failed\n";
            return 1;
        }
        QDir(source).removeRecursively();
    }

    const QString target = work.filePath(QStringLiteral("out"));
    const auto timed = [&](const std::function<bool()>& extract) {
        QDir(target).removeRecursively();
        QDir().mkpath(target);
        QElapsedTimer timer;
        timer.start();
        const bool ok = extract();
        const double seconds = timer.nsecsElapsed() / 1e9;
        if (!ok || QDir(target).entryList(QDir::Files).size() != o.files) {
            out << "extraction failed\n";
            std::exit(1);
        }
        return seconds;
    };
    const auto ours = [&] { return kaldoria::unpack::ExtractArchive(archive, target).extracted; };
    const auto unrar = [&] {
        return runProgram(QStringLiteral("unrar"), {QStringLiteral("x"), QStringLiteral("-y"), QStringLiteral("-idq"),
                                                    QStringLiteral("-o+"), archive, target + QLatin1Char('/')});
    };

    timed(ours); // warm the page cache with the archive
    std::vector<double> oursTimes;
    std::vector<double> unrarTimes;
    for (int run = 0; run < o.runs; ++run) {
        // Alternate the order so that neither always follows the other.
        if (run % 2 == 0) {
            oursTimes.push_back(timed(ours));
            unrarTimes.push_back(timed(unrar));
        } else {
            unrarTimes.push_back(timed(unrar));
            oursTimes.push_back(timed(ours));
        }
        out << "run " << run + 1 << ": ExtractArchive " << oursTimes.back() << " s, unrar x " << unrarTimes.back()
            << " s\n";
        out.flush();
    }
    QDir(target).removeRecursively();
    const double ratio = median(oursTimes) / median(unrarTimes);
    out << "median: ExtractArchive " << median(oursTimes) << " s, unrar x " << median(unrarTimes) << " s, ratio "
        << ratio << " (goal: at most 1.1)\n";
    return ratio <= 1.1 ? 0 : 3;
}
