// Measures every file of a folder with the parallel hasher, as the required-files check does:
//   kaldoria-hash-folder FOLDER THREADS [--size-only]
// Prints the number of files measured, the bytes hashed, and the time of each phase. Used by run.sh against md5sum.
#include "filelist/TMHThreads.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>
#include <dirent.h>

using namespace kaldoria::filelist;

namespace {

// Adds every regular file under `folder` to `list`, named by its path below the top folder
// with "\" before each part. The folder is walked the way find does it: one readdir pass per
// folder, telling files from folders by the directory entries' types alone.
void addFilesBelow(const QByteArray& folder, const QString& prefix, TFileList& list) {
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray entryName(entry->d_name);
        if (entryName == "." || entryName == "..")
            continue;
        const QString name = prefix + u'\\' + QFile::decodeName(entryName);
        if (entry->d_type == DT_DIR)
            addFilesBelow(folder + '/' + entryName, name, list);
        else if (entry->d_type == DT_REG)
            list.AddItemEmpty(name);
    }
    ::closedir(dir);
}

} // namespace

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
    TFileList list(false);
    addFilesBelow(QFile::encodeName(folder), QString(), list);

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
