// Measures every file of a folder with the parallel hasher, as the required-files check does:
//   kaldoria-hash-folder FOLDER THREADS [--size-only]
// Prints the number of files measured, the bytes hashed, and the time of each phase. Used by run.sh against md5sum.
#include "filelist/TMHThreads.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <filesystem>

using namespace kaldoria::filelist;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: kaldoria-hash-folder FOLDER THREADS [--size-only]\n");
        return 2;
    }
    const QString folder = args.at(1);
    QElapsedTimer clock;
    clock.start();
    // The folder is walked the way find does it, from the directory entries' types alone.
    TFileList list(false);
    const std::string root = folder.toStdString();
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file())
            continue;
        const std::string& path = entry.path().native();
        QString name = QString::fromUtf8(path.data() + root.size(), qsizetype(path.size() - root.size()));
        list.AddItemEmpty(name.replace(u'/', u'\\'));
    }

    const qint64 listedMs = clock.elapsed();
    TMHThreads hasher;
    hasher.ModeIsHaveHash = !args.contains(QStringLiteral("--size-only"));
    qint64 bytes = 0;
    hasher.OnThreadFileProceed = [&](TMHThreads*, const QString&, const QString&, qint64 size, TDateTime) {
        bytes += size;
    };
    const std::unique_ptr<TFileList> result = hasher.CalculateHash(folder, list, args.at(2).toInt());
    std::printf("%d files, %lld bytes; listed in %lld ms, measured in %lld ms\n", result->Count(),
                static_cast<long long>(bytes), static_cast<long long>(listedMs),
                static_cast<long long>(clock.elapsed() - listedMs));
    return 0;
}
