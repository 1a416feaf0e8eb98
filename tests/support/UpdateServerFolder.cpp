#include "UpdateServerFolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <bzlib.h>
#include <cstring>

namespace kaldoria::testsupport {

namespace {

bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

void UpdateServerFolder::addFile(const QString& name, const QByteArray& content, double date) {
    File& f = m_files[name];
    f.content = content;
    f.date = date;
}

QString UpdateServerFolder::md5(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex().toUpper());
}

QByteArray UpdateServerFolder::noise(int size, quint32 seed) {
    QRandomGenerator generator(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& byte : bytes)
        byte = static_cast<char>(generator.generate() & 0xFF);
    return bytes;
}

QString UpdateServerFolder::dateField(double date) {
    quint64 bits = 0;
    std::memcpy(&bits, &date, sizeof bits);
    return QString::number(bits, 16).toUpper().rightJustified(16, QLatin1Char('0'));
}

QString UpdateServerFolder::serverPath(const QString& name) {
    QString path = name.mid(1);
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return path;
}

bool UpdateServerFolder::packFile(const QString& bareName, const QByteArray& content, const QString& archivePath) {
    QTemporaryDir staging;
    const QString source = staging.filePath(bareName);
    if (!writeFile(source, content))
        return false;
    QDir().mkpath(QFileInfo(archivePath).path());
    QFile::remove(archivePath);
    // rar names its archive after the given name; pack under a plain name and move it.
    const QString rarName = staging.filePath(QStringLiteral("packed.rar"));
    QProcess rar;
    rar.setWorkingDirectory(staging.path());
    rar.start(QStringLiteral("rar"), {QStringLiteral("a"), QStringLiteral("-y"), QStringLiteral("-idq"),
                                      QStringLiteral("-ep"), rarName, source});
    if (!rar.waitForFinished(60000) || rar.exitCode() != 0)
        return false;
    return QFile::rename(rarName, archivePath);
}

QByteArray UpdateServerFolder::packList(const QByteArray& text) {
    QByteArray packed(text.size() + text.size() / 100 + 1024, '\0');
    unsigned int length = static_cast<unsigned int>(packed.size());
    BZ2_bzBuffToBuffCompress(packed.data(), &length, const_cast<char*>(text.constData()),
                             static_cast<unsigned int>(text.size()), 9, 0, 0);
    packed.truncate(length);
    packed.replace(0, 5, QByteArrayLiteral("KDZ!!"));
    return packed;
}

QStringList UpdateServerFolder::listLines(const QString& folder) const {
    QStringList lines;
    for (auto it = m_files.cbegin(); it != m_files.cend(); ++it) {
        const File& f = it.value();
        QString packedHash = md5(readFile(folder + QLatin1Char('/') + serverPath(it.key()) + QStringLiteral(".kdz")));
        if (f.lowerCasePackedHash)
            packedHash = packedHash.toLower();
        const QString hash = f.hashOverride.isEmpty() ? md5(f.content) : f.hashOverride;
        lines << hash + QLatin1Char('|') + it.key() + QLatin1Char('|') + QString::number(f.content.size()) +
                     QLatin1Char('|') + dateField(f.date) + QLatin1Char('|') + packedHash;
    }
    lines += m_rawLines;
    if (!m_required.isEmpty() || !m_delete.isEmpty()) {
        lines << QStringLiteral("#required");
        lines += m_required;
    }
    if (!m_delete.isEmpty()) {
        lines << QStringLiteral("@delete");
        lines += m_delete;
    }
    return lines;
}

bool UpdateServerFolder::publish(const QString& folder) const {
    for (auto it = m_files.cbegin(); it != m_files.cend(); ++it) {
        const QString archive = folder + QLatin1Char('/') + serverPath(it.key()) + QStringLiteral(".kdz");
        if (!packFile(QFileInfo(serverPath(it.key())).fileName(), it.value().content, archive))
            return false;
    }
    const QByteArray text = listLines(folder).join(QStringLiteral("\r\n")).toLocal8Bit() + "\r\n";
    return writeFile(folder + QStringLiteral("/updater.lst.kdz"), packList(text));
}

} // namespace kaldoria::testsupport
