#include "UnpackFixture.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

QString UnpackFixture::path(const QString& relative) const {
    return relative.isEmpty() ? folder.path() : folder.filePath(relative);
}

QString UnpackFixture::writeFile(const QString& relative, const QByteArray& content) const {
    const QString name = path(relative);
    QDir().mkpath(QFileInfo(name).path());
    QFile file(name);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << name.toStdString();
    file.write(content);
    return name;
}

QByteArray UnpackFixture::readFile(const QString& relative) const {
    QFile file(path(relative));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool UnpackFixture::exists(const QString& relative) const {
    return QFileInfo::exists(path(relative)) || QFileInfo(path(relative)).isSymLink();
}

QStringList UnpackFixture::tree(const QString& relative) const {
    const QDir root(path(relative));
    QStringList names;
    QDirIterator it(root.path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        names << root.relativeFilePath(it.next());
    names.sort();
    return names;
}

bool UnpackFixture::rar(const QString& archive, const QStringList& files, const QStringList& options,
                        const QString& from) const {
    QProcess process;
    process.setWorkingDirectory(path(from));
    process.start(QStringLiteral("rar"),
                  QStringList{QStringLiteral("a"), QStringLiteral("-y"), QStringLiteral("-idq")} + options +
                      QStringList{path(archive)} + files);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        ADD_FAILURE() << "rar failed: " << process.readAllStandardError().toStdString();
        return false;
    }
    return true;
}

void UnpackFixture::flipByte(const QString& relative, qint64 offset) const {
    QFile file(path(relative));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const qint64 at = offset >= 0 ? offset : file.size() + offset;
    file.seek(at);
    char byte = 0;
    file.getChar(&byte);
    file.seek(at);
    file.putChar(static_cast<char>(byte ^ 0x55));
}

QByteArray patternBytes(qint64 size, quint32 seed) {
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 state = seed * 2654435761u + 1;
    for (qint64 i = 0; i < size; ++i) {
        state = state * 1664525u + 1013904223u;
        bytes[i] = static_cast<char>(state >> 24);
    }
    return bytes;
}

QStringList strings(std::initializer_list<const char*> items) {
    QStringList list;
    for (const char* item : items)
        list << QString::fromUtf8(item);
    return list;
}

QT_BEGIN_NAMESPACE
void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE
