#include "PackCommands.h"

#include "filelist/TFileList.h"
#include "filelist/TMD5.h"
#include "platform/DayCount.h"
#include "platform/TextCodec.h"

#include <QCommandLineParser>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextStream>

#include <bzlib.h>

#include <optional>

// kaldoria-pack publish: turns a game client folder into an update server folder.
//
// For every regular file of the client, the server folder gets the file packed as a RAR
// archive holding it under its bare name (made by the rar program) at the same relative path
// plus ".kdz"; then "updater.lst" lists every file (MD5, name with a leading backslash, size,
// date, MD5 of the packed form), followed by the required names and the deletion names when
// there are any, and "updater.lst.kdz" is that list compressed with bzip2 with its first five
// bytes replaced.
namespace kaldoria::pack {

namespace {

using filelist::TFileList;

// Replaces the start of the bzip2 stream in the packed list; the launcher restores it.
constexpr char kListMark[] = {'K', 'D', 'Z', '0', '1'};

struct PublishOptions {
    QString clientFolder;
    QString serverFolder;
    QStringList required;
    QStringList deletions;
};

class Publisher {
public:
    explicit Publisher(PublishOptions options) : o(std::move(options)) {}
    int run();

private:
    // Reports a problem on standard error; false, for the helpers to return.
    bool fail(const QString& message) {
        QTextStream(stderr) << "kaldoria-pack publish: " << message << "\n";
        return false;
    }
    bool packFile(const QString& relative, TFileList& list);
    bool runRar(const QString& archive, const QFileInfo& file);
    bool writeFile(const QString& name, const QByteArray& content);
    std::optional<QByteArray> packList(const QByteArray& list);

    PublishOptions o;
    QString rarProgram;
};

// "data/x.dat", "\data\x.dat" or "data\x.dat" as a list name: "\data\x.dat". Nothing for a
// name that leaves the client folder.
std::optional<QString> listName(QString name) {
    name.replace(QLatin1Char('/'), QLatin1Char('\\'));
    while (name.startsWith(QLatin1Char('\\')))
        name.remove(0, 1);
    const QStringList parts = name.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (parts.isEmpty() || parts.contains(QStringLiteral("..")) || parts.contains(QStringLiteral(".")) ||
        name.contains(QLatin1Char(':')) || name.contains(QLatin1Char('|')))
        return std::nullopt;
    return QLatin1Char('\\') + parts.join(QLatin1Char('\\'));
}

bool isInside(const QString& folder, const QString& outer) {
    const QString a = QDir::cleanPath(QFileInfo(folder).absoluteFilePath()) + QLatin1Char('/');
    const QString b = QDir::cleanPath(QFileInfo(outer).absoluteFilePath()) + QLatin1Char('/');
    return a.startsWith(b);
}

bool Publisher::writeFile(const QString& name, const QByteArray& content) {
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit())
        return fail(QStringLiteral("cannot write %1: %2").arg(name, file.errorString()));
    return true;
}

bool Publisher::runRar(const QString& archive, const QFileInfo& file) {
    QProcess rar;
    rar.setWorkingDirectory(file.absolutePath());
    rar.setProcessChannelMode(QProcess::MergedChannels);
    rar.start(rarProgram, {QStringLiteral("a"), QStringLiteral("-y"), QStringLiteral("-idq"), QStringLiteral("-ep"),
                           QStringLiteral("-m5"), QStringLiteral("--"), archive, file.fileName()});
    if (!rar.waitForFinished(-1) || rar.exitStatus() != QProcess::NormalExit || rar.exitCode() != 0)
        return fail(QStringLiteral("rar could not pack %1 (exit code %2): %3")
                        .arg(file.filePath())
                        .arg(rar.exitCode())
                        .arg(QString::fromLocal8Bit(rar.readAll()).trimmed()));
    return true;
}

bool Publisher::packFile(const QString& relative, TFileList& list) {
    const QFileInfo file(QDir(o.clientFolder).filePath(relative));
    const std::optional<QString> name = listName(relative);
    if (!name)
        return fail(QStringLiteral("%1: a file name with \"|\" or \":\" cannot be listed").arg(relative));
    const QString archive = QDir(o.serverFolder).filePath(relative + QStringLiteral(".kdz"));
    if (!QDir().mkpath(QFileInfo(archive).path()))
        return fail(QStringLiteral("cannot create the folder of %1").arg(archive));

    // rar adds to an existing archive, so it writes a fresh temporary one that replaces the old.
    const QString temporary = QFileInfo(archive).path() + QStringLiteral("/.publishing.kdz");
    QFile::remove(temporary);
    if (!runRar(QFileInfo(temporary).absoluteFilePath(), file))
        return false;
    QFile::remove(archive);
    if (!QFile::rename(temporary, archive))
        return fail(QStringLiteral("cannot move %1 to %2").arg(temporary, archive));

    const filelist::FileDigest digest = filelist::GetFileMD5(file.filePath());
    const filelist::FileDigest packedDigest = filelist::GetFileMD5(archive);
    if (!digest.status.ok() || !packedDigest.status.ok())
        return fail(digest.status.ok() ? packedDigest.status.message() : digest.status.message());
    list.AddItemSimple(*name, digest.digest, packedDigest.digest, file.size(),
                       platform::DayCount::fromDateTime(file.lastModified()));
    return true;
}

std::optional<QByteArray> Publisher::packList(const QByteArray& list) {
    // bzip2's output bound: 1% plus 600 bytes.
    QByteArray packed(list.size() + list.size() / 100 + 601, '\0');
    unsigned length = static_cast<unsigned>(packed.size());
    if (BZ2_bzBuffToBuffCompress(packed.data(), &length, const_cast<char*>(list.constData()),
                                 static_cast<unsigned>(list.size()), 9, 0, 0) != BZ_OK) {
        fail(QStringLiteral("cannot compress the file list"));
        return std::nullopt;
    }
    packed.truncate(length);
    packed.replace(0, qsizetype(sizeof kListMark), QByteArray(kListMark, sizeof kListMark));
    return packed;
}

int Publisher::run() {
    if (!QFileInfo(o.clientFolder).isDir()) {
        fail(QStringLiteral("%1 is not a folder").arg(o.clientFolder));
        return 1;
    }
    if (isInside(o.serverFolder, o.clientFolder)) {
        fail(QStringLiteral("the server folder must not lie inside the client folder"));
        return 1;
    }
    rarProgram = QStandardPaths::findExecutable(QStringLiteral("rar"));
    if (rarProgram.isEmpty()) {
        fail(QStringLiteral("the 'rar' program was not found on PATH; it packs the client files "
                            "(Debian: apt-get install rar, from the non-free component)"));
        return 1;
    }
    if (!QDir().mkpath(o.serverFolder)) {
        fail(QStringLiteral("cannot create %1").arg(o.serverFolder));
        return 1;
    }

    QStringList files;
    QDirIterator it(o.clientFolder, QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(o.clientFolder).relativeFilePath(it.next());
    files.sort();
    if (files.isEmpty()) {
        fail(QStringLiteral("%1 holds no files").arg(o.clientFolder));
        return 1;
    }

    TFileList list(true);
    for (const QString& relative : files) {
        if (!packFile(relative, list))
            return 1;
    }
    QStringList lines;
    list.SaveToStrings(&lines);

    QStringList required;
    for (const QString& name : o.required) {
        const std::optional<QString> listed = listName(name);
        if (!listed || !list.GetItemByName(*listed)) {
            fail(QStringLiteral("required file %1 is not a file of the client folder").arg(name));
            return 1;
        }
        required << *listed;
    }
    QStringList deletions;
    for (const QString& name : o.deletions) {
        const std::optional<QString> listed = listName(name);
        if (!listed) {
            fail(QStringLiteral("%1 does not name a file inside the client folder").arg(name));
            return 1;
        }
        deletions << *listed;
    }
    // The required names follow a "#" line, the deletion names an "@" line after it.
    if (!required.isEmpty() || !deletions.isEmpty())
        lines << QStringLiteral("#") << required;
    if (!deletions.isEmpty())
        lines << QStringLiteral("@") << deletions;

    const QByteArray text = platform::TextCodec::encodeLines(lines);
    const std::optional<QByteArray> packed = packList(text);
    if (!packed || !writeFile(QDir(o.serverFolder).filePath(QStringLiteral("updater.lst")), text) ||
        !writeFile(QDir(o.serverFolder).filePath(QStringLiteral("updater.lst.kdz")), *packed))
        return 1;
    QTextStream(stdout) << "published " << files.size() << " files to " << o.serverFolder << "\n";
    return 0;
}

} // namespace

int runPublish(const QStringList& args) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Makes an update server folder from a game client folder: one RAR archive per file (FILE.kdz, "
                       "made with rar), the file list updater.lst and its packed form updater.lst.kdz."));
    parser.addPositionalArgument(QStringLiteral("CLIENT_DIR"), QStringLiteral("The game client folder."));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("The server folder to write (created when missing)."),
                                    QStringLiteral("SERVER_DIR"));
    const QCommandLineOption required(QStringLiteral("required"),
                                      QStringLiteral("A client file that every launcher checks at each start "
                                                     "(relative name; repeat for more)."),
                                      QStringLiteral("FILE"));
    const QCommandLineOption deletion(QStringLiteral("delete"),
                                      QStringLiteral("A file that launchers delete from the client folder "
                                                     "(relative name; repeat for more)."),
                                      QStringLiteral("FILE"));
    parser.addOptions({output, required, deletion});
    const QCommandLineOption help = parser.addHelpOption();

    if (!parser.parse(QStringList{QStringLiteral("kaldoria-pack publish")} + args)) {
        QTextStream(stderr) << "kaldoria-pack publish: " << parser.errorText() << "\n";
        return 2;
    }
    if (parser.isSet(help)) {
        QTextStream(stdout) << parser.helpText();
        return 0;
    }
    if (parser.positionalArguments().size() != 1 || !parser.isSet(output)) {
        QTextStream(stderr) << "Usage: kaldoria-pack publish CLIENT_DIR -o SERVER_DIR [--required FILE] "
                               "[--delete FILE]\n";
        return 2;
    }
    return Publisher({parser.positionalArguments().front(), parser.value(output), parser.values(required),
                      parser.values(deletion)})
        .run();
}

} // namespace kaldoria::pack
