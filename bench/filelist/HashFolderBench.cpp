// Measures every file of a folder with the parallel hasher, as the required-files check does:
//   kaldoria-hash-folder FOLDER THREADS [--size-only]
// Prints the number of files measured and the bytes hashed. Used by run.sh against md5sum.
#include "filelist/TMHThreads.h"

#include <QCoreApplication>
#include <QDirIterator>

#include <cstdio>

using namespace kaldoria::filelist;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: kaldoria-hash-folder FOLDER THREADS [--size-only]\n");
        return 2;
    }
    const QString folder = args.at(1);
    TFileList list(false);
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QString name = it.next().mid(folder.size());
        list.AddItemEmpty(name.replace(u'/', u'\\'));
    }

    TMHThreads hasher;
    hasher.ModeIsHaveHash = !args.contains(QStringLiteral("--size-only"));
    qint64 bytes = 0;
    hasher.OnThreadFileProceed = [&](TMHThreads*, const QString&, const QString&, qint64 size, TDateTime) {
        bytes += size;
    };
    const std::unique_ptr<TFileList> result = hasher.CalculateHash(folder, list, args.at(2).toInt());
    std::printf("%d files, %lld bytes\n", result->Count(), static_cast<long long>(bytes));
    return 0;
}
