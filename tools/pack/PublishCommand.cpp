#include "Bzip2Compress.h"
#include "ChunkPublisher.h"
#include "ClientFolderCheck.h"
#include "CommandArguments.h"
#include "CommandReport.h"
#include "ListName.h"
#include "ManifestSigner.h"
#include "OutputFile.h"
#include "PackCommands.h"

#include "filelist/TFileList.h"
#include "filelist/TMD5.h"
#include "platform/DayCount.h"
#include "platform/FileEntry.h"
#include "platform/TextCodec.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>

#include <algorithm>
#include <optional>

// kaldoria-pack publish: turns a game client folder into an update server folder.
namespace kaldoria::pack {

namespace {

constexpr char kUsage[] =
    "Usage: kaldoria-pack publish CLIENT_DIR -o SERVER_DIR [--required FILE]... [--delete FILE]...\n"
    "                             [--chunks] [--sign NAME.key [--expires DAYS] [--next-key FILE.pub]...]\n\n"
    "Makes an update server folder from a game client folder. Every file of the client\n"
    "becomes a RAR archive holding it (made with the 'rar' program) at its relative path\n"
    "plus \".kdz\"; \"updater.lst\" lists every file (MD5, name, size, date, MD5 of its\n"
    "archive) and \"updater.lst.kdz\" is the list packed for the launcher. Serve the folder\n"
    "with any web server. Warns about client files whose names differ only in case and\n"
    "about folders that hold no file.\n\n"
    "  --required FILE  a client file that launchers check at every start (repeatable)\n"
    "  --delete FILE    a file that launchers delete from the client folder (repeatable)\n"
    "  --chunks         also cut every file into content-defined chunks, store each chunk\n"
    "                   once in \"chunks/\" (zstd) and write the file's chunk index beside its\n"
    "                   archive (PATH.kdc), so that launchers fetch only the chunks they lack;\n"
    "                   prints what a player of the version published before would fetch\n"
    "  --sign NAME.key  also write \"updater.sig\", the manifest signed with this key (from\n"
    "                   'kaldoria-pack keygen'): SHA-256 of the list and of every archive and\n"
    "                   file (and chunk index), a serial above any earlier one, and an expiry time\n"
    "  --expires DAYS   days until launchers refuse the manifest (default 30; publish again\n"
    "                   before then)\n"
    "  --next-key FILE.pub  a key that launchers trust instead of the present ones from this\n"
    "                   manifest on, to replace a key (repeatable)\n";

constexpr char kCommand[] = "publish";

// Replaces the start of the bzip2 stream in the packed list; the launcher restores it.
constexpr char kListMark[] = {'K', 'D', 'Z', '0', '1'};

using filelist::TFileList;

// "data/x.dat", "\data\x.dat" or "data\x.dat" as a list name: "\data\x.dat". Nothing for a
// name that leaves the client folder or that the list format cannot hold.
std::optional<QString> listName(QString name) {
    name.replace(QLatin1Char('/'), QLatin1Char('\\'));
    const QStringList parts = name.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (parts.isEmpty() || parts.contains(QStringLiteral("..")) || parts.contains(QStringLiteral(".")) ||
        name.contains(QLatin1Char(':')) || name.contains(QLatin1Char('|')))
        return std::nullopt;
    return QLatin1Char('\\') + parts.join(QLatin1Char('\\'));
}

bool isInside(const QString& folder, const QString& outer) {
    const QString inner = QDir::cleanPath(QFileInfo(folder).absoluteFilePath()) + QLatin1Char('/');
    return inner.startsWith(QDir::cleanPath(QFileInfo(outer).absoluteFilePath()) + QLatin1Char('/'));
}

// The values of a repeatable option in the order given.
QStringList valuesInOrder(const CommandArguments& parsed, const QString& option) {
    QStringList values = parsed.options.values(option);
    std::reverse(values.begin(), values.end());
    return values;
}

// The packed list: bzip2 at the largest block size with the first five bytes replaced.
std::optional<QByteArray> packList(const QByteArray& list) {
    std::optional<QByteArray> packed = compressBzip2(list);
    if (!packed)
        return std::nullopt;
    packed->replace(0, qsizetype(sizeof kListMark), QByteArray(kListMark, sizeof kListMark));
    return packed;
}

// Packs one client file into its archive with rar; the error message, or empty on success.
QString packArchive(const QString& rarProgram, const QFileInfo& file, const QString& archive) {
    if (!QDir().mkpath(QFileInfo(archive).path()))
        return QStringLiteral("cannot create the folder of %1").arg(archive);
    // rar adds to an existing archive, so it writes a fresh one that then replaces the old.
    const QString fresh = QFileInfo(archive).absolutePath() + QStringLiteral("/.publishing.kdz");
    QFile::remove(fresh);
    QProcess rar;
    rar.setWorkingDirectory(file.absolutePath());
    rar.setProcessChannelMode(QProcess::MergedChannels);
    rar.start(rarProgram, {QStringLiteral("a"), QStringLiteral("-y"), QStringLiteral("-idq"), QStringLiteral("-ep"),
                           QStringLiteral("-m5"), QStringLiteral("--"), fresh, file.fileName()});
    if (!rar.waitForFinished(-1) || rar.exitStatus() != QProcess::NormalExit || rar.exitCode() != 0) {
        QFile::remove(fresh);
        return QStringLiteral("rar could not pack %1 (exit code %2): %3")
            .arg(file.filePath(), QString::number(rar.exitCode()), QString::fromLocal8Bit(rar.readAll()).trimmed());
    }
    QFile::remove(archive);
    if (!QFile::rename(fresh, archive))
        return QStringLiteral("cannot move %1 to %2").arg(fresh, archive);
    return {};
}

// The files of `client` (sub-folders included, symbolic links skipped), relative to it, sorted.
QStringList clientFiles(const QString& client) {
    QStringList files;
    QDirIterator it(client, QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(client).relativeFilePath(it.next());
    files.sort();
    return files;
}

// Cuts the `files` of `client` into chunks for `server` and prints what that cost and saves;
// the error message, or empty.
QString publishChunks(const QString& client, const QStringList& files, const QString& server) {
    ChunkPublisher publisher(server);
    for (const QString& relative : files) {
        const qint64 archiveSize = QFileInfo(QDir(server).filePath(relative + QStringLiteral(".kdz"))).size();
        if (const QString error = publisher.publish(QDir(client).filePath(relative), relative, archiveSize);
            !error.isEmpty())
            return error;
    }
    for (const QString& warning : publisher.warnings())
        commandWarning(kCommand, warning);
    QTextStream out(stdout);
    for (const QString& line : publisher.summary())
        out << line << "\n";
    return {};
}

// Packs the `files` of `client` into `server` and lists them; the error message, or empty.
QString packClient(const QString& rarProgram, const QString& client, const QStringList& files, const QString& server,
                   TFileList& list) {
    for (const QString& relative : files) {
        const QFileInfo file(QDir(client).filePath(relative));
        const std::optional<QString> name = listName(relative);
        if (!name)
            return QStringLiteral("%1: a name with \"|\" or \":\" cannot stand in the file list").arg(relative);
        const QString archive = QDir(server).filePath(relative + QStringLiteral(".kdz"));
        if (const QString error = packArchive(rarProgram, file, archive); !error.isEmpty())
            return error;
        const filelist::FileDigest digest = filelist::GetFileMD5(file.filePath());
        const filelist::FileDigest packedDigest = filelist::GetFileMD5(archive);
        if (!digest.status.ok() || !packedDigest.status.ok())
            return digest.status.ok() ? packedDigest.status.message() : digest.status.message();
        // Size and date read the way the launcher's check reads them, so that a client file
        // dated like this one compares equal in every zone and season.
        const std::optional<platform::FileEntry> entry = platform::FileEntry::read(file.filePath());
        if (!entry)
            return QStringLiteral("cannot read the date of %1").arg(file.filePath());
        list.AddItemSimple(*name, digest.digest, packedDigest.digest, entry->size,
                           platform::DayCount::localFromUtcMsecs(entry->lastWriteUtcMsecs));
    }
    return {};
}

} // namespace

int runPublish(const QStringList& args) {
    const QString required = QStringLiteral("--required");
    const QString deletion = QStringLiteral("--delete");
    const QString sign = QStringLiteral("--sign");
    const QString expires = QStringLiteral("--expires");
    const QString nextKey = QStringLiteral("--next-key");
    const QString chunks = QStringLiteral("--chunks");
    CommandArguments parsed =
        CommandArguments::parse(args, {QStringLiteral("-o"), required, deletion, sign, expires, nextKey}, {chunks});
    if (parsed.help)
        return commandUsage(kUsage);
    const QString server = parsed.required(QStringLiteral("-o"));
    if (parsed.error.isEmpty() && parsed.positional.size() != 1)
        parsed.error = QStringLiteral("give exactly one CLIENT_DIR");
    const bool signing = parsed.options.contains(sign);
    const bool chunked = parsed.flags.contains(chunks);
    if (parsed.error.isEmpty() && !signing && (parsed.options.contains(expires) || parsed.options.contains(nextKey)))
        parsed.error = QStringLiteral("--expires and --next-key go with --sign");
    const QString keyPath = signing ? parsed.required(sign) : QString();
    bool expiryRead = true;
    const qint64 expiryDays = parsed.options.contains(expires) ? parsed.required(expires).toLongLong(&expiryRead)
                                                               : ManifestSigner::kDefaultExpiryDays;
    if (parsed.error.isEmpty() && !expiryRead)
        parsed.error = QStringLiteral("--expires takes a number of days");
    if (!parsed.error.isEmpty())
        return commandFailed(kCommand, parsed.error + QStringLiteral("\n\n") + QString::fromLatin1(kUsage));

    if (!QFileInfo(parsed.positional.first()).isDir())
        return commandFailed(kCommand, QStringLiteral("%1 is not a folder").arg(parsed.positional.first()));
    // Absolute, so that the client's files are named the same from here and from rar's folder.
    const QString client = QFileInfo(parsed.positional.first()).absoluteFilePath();
    if (isInside(server, client))
        return commandFailed(kCommand, QStringLiteral("the server folder must not lie inside the client folder"));
    const QString rarProgram = QStandardPaths::findExecutable(QStringLiteral("rar"));
    if (rarProgram.isEmpty())
        return commandFailed(kCommand, QStringLiteral("the 'rar' program was not found on PATH; it packs the client "
                                                      "files (Debian: apt-get install rar, from non-free)"));

    // The names of the two extra sections are checked before any work is done.
    QStringList requiredNames;
    QStringList deletionNames;
    for (const QString& name : valuesInOrder(parsed, required)) {
        const std::optional<QString> listed = listName(name);
        if (!listed || !QFileInfo(QDir(client).filePath(relativePath(*listed))).isFile())
            return commandFailed(kCommand, QStringLiteral("required file %1 is not a file of the client").arg(name));
        requiredNames << *listed;
    }
    for (const QString& name : valuesInOrder(parsed, deletion)) {
        const std::optional<QString> listed = listName(name);
        if (!listed)
            return commandFailed(kCommand, QStringLiteral("%1 does not name a file inside the client").arg(name));
        deletionNames << *listed;
    }

    // The keys and the serial are settled before the server folder is touched.
    std::optional<ManifestSigner> signer;
    if (signing) {
        QString error;
        signer = ManifestSigner::prepare(keyPath, expiryDays, valuesInOrder(parsed, nextKey), server, error);
        if (!signer)
            return commandFailed(kCommand, error);
    }

    const QStringList files = clientFiles(client);
    if (files.isEmpty())
        return commandFailed(kCommand, QStringLiteral("%1 holds no files").arg(client));
    for (const QString& warning : checkClientFolder(client, files))
        commandWarning(kCommand, warning);

    TFileList list(true);
    if (!QDir().mkpath(server))
        return commandFailed(kCommand, QStringLiteral("cannot create %1").arg(server));
    if (const QString error = packClient(rarProgram, client, files, server, list); !error.isEmpty())
        return commandFailed(kCommand, error);
    if (chunked) {
        if (const QString error = publishChunks(client, files, server); !error.isEmpty())
            return commandFailed(kCommand, error);
    } else if (const int removed = ChunkPublisher::removeIndexes(server, files); removed > 0) {
        commandWarning(kCommand, QStringLiteral("removed %1 chunk indexes of an earlier publication with --chunks; "
                                                "launchers fetch these files whole until you publish with --chunks")
                                     .arg(removed));
    }

    QStringList lines;
    list.SaveToStrings(&lines);
    // The required names follow a "#" line, the deletion names an "@" line after it.
    if (!requiredNames.isEmpty() || !deletionNames.isEmpty())
        lines << QStringLiteral("#") << requiredNames;
    if (!deletionNames.isEmpty())
        lines << QStringLiteral("@") << deletionNames;
    const QByteArray text = platform::TextCodec::encodeLines(lines);
    const std::optional<QByteArray> packed = packList(text);
    if (!packed)
        return commandFailed(kCommand, QStringLiteral("cannot compress the file list"));
    QString error = writeOutputFile(QDir(server).filePath(QStringLiteral("updater.lst")), text);
    if (error.isEmpty())
        error = writeOutputFile(QDir(server).filePath(QStringLiteral("updater.lst.kdz")), *packed);
    if (error.isEmpty() && signer)
        error = signer->write(text, list, client, chunked);
    if (!error.isEmpty())
        return commandFailed(kCommand, error);
    QTextStream(stdout) << "published " << list.Count() << " files to " << server << "\n";
    if (signer)
        QTextStream(stdout) << "signed them in updater.sig, serial " << signer->serial() << "\n";
    else if (QFileInfo::exists(QDir(server).filePath(QStringLiteral("updater.sig"))))
        commandWarning(kCommand, QStringLiteral("updater.sig is left from a signed publication and no longer matches "
                                                "the list; launchers that trust a key refuse this folder until you "
                                                "publish it with --sign"));
    return 0;
}

} // namespace kaldoria::pack
