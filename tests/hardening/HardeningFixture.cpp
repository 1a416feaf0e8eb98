#include "HardeningFixture.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>

namespace kaldoria::hardening {

void HardeningFixture::SetUp() {
    LauncherFixture::SetUp();
    m_canary = m_root.filePath(QStringLiteral("canary"));
    QDir().mkpath(m_canary + QStringLiteral("/sub"));
    for (const QString& name : {QStringLiteral("victim.txt"), QStringLiteral("x"), QStringLiteral("sub/keep.dat")}) {
        QFile file(canaryFile(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("canary " + name.toUtf8());
    }
}

void HardeningFixture::serve(const testsupport::UpdateServerFolder& folder, const QJsonObject& rules,
                             const BadServer::Tls& tls) {
    ASSERT_TRUE(folder.publish(m_server));
    m_bad = std::make_unique<BadServer>(m_server, rules, tls);
    ASSERT_TRUE(m_bad->start());
    makeLauncher(configText({m_bad->url()}));
}

app::LauncherFixture::Run HardeningFixture::runChecked(const QStringList& extra) {
    const QMap<QString, QString> before = outsideSnapshot();
    const Run result = run(QStringList{QStringLiteral("-debug"), QStringLiteral("--headless")} + extra);
    EXPECT_EQ(snapshotText(outsideSnapshot()), snapshotText(before)) << "something outside the client folder changed";
    expectTruthfulOldList(m_client);
    EXPECT_NE(result.exitCode, -1) << "the launcher did not end by itself: " << result.output.toStdString();
    return result;
}

QByteArray HardeningFixture::straced(const QStringList& paths, const QString& calls, const QString& inject,
                                     const QString& trace) const {
    QStringList arguments{QStringLiteral("-f"), QStringLiteral("-qq"),
                          QStringLiteral("-e"), QStringLiteral("trace=") + calls,
                          QStringLiteral("-o"), inject.isEmpty() ? trace : QStringLiteral("/dev/null")};
    for (const QString& path : paths)
        arguments << QStringLiteral("-P") << path;
    if (!inject.isEmpty())
        arguments << QStringLiteral("-e") << inject;
    arguments << clientFile(QStringLiteral("Kaldoria")) << QStringLiteral("--headless");
    QProcess strace;
    strace.setWorkingDirectory(m_client);
    strace.setProcessChannelMode(QProcess::MergedChannels);
    strace.start(QStringLiteral("strace"), arguments);
    EXPECT_TRUE(strace.waitForFinished(120000));
    return strace.readAll();
}

QString HardeningFixture::fileDigest(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QCryptographicHash hash(QCryptographicHash::Md5);
    hash.addData(&file);
    return QString::fromLatin1(hash.result().toHex().toUpper());
}

std::string HardeningFixture::snapshotText(const QMap<QString, QString>& snapshot) {
    std::string text;
    for (auto it = snapshot.cbegin(); it != snapshot.cend(); ++it)
        text += (it.key() + QLatin1Char(' ') + it.value() + QLatin1Char('\n')).toStdString();
    return text;
}

QByteArray HardeningFixture::noise(qsizetype size, quint32 seed) {
    QRandomGenerator generator(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& c : bytes)
        c = static_cast<char>(generator.generate() & 0xFF);
    return bytes;
}

testsupport::UpdateServerFolder HardeningFixture::clientFiles() {
    testsupport::UpdateServerFolder folder;
    folder.addFile(QStringLiteral("\\kd.exe"), "game program", kDate);
    folder.addFile(QStringLiteral("\\system\\data.pak"), noise(300000), kDate);
    return folder;
}

QMap<QString, QString> HardeningFixture::outsideSnapshot() const {
    QMap<QString, QString> found;
    const QDir root(m_root.path());
    QDirIterator it(m_root.path(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = root.relativeFilePath(path);
        if (relative.startsWith(QStringLiteral("client")) || relative.startsWith(QStringLiteral("server")))
            continue;
        const QFileInfo info(path);
        if (info.isSymLink())
            found.insert(relative, QStringLiteral("link ") + info.symLinkTarget());
        else if (info.isDir())
            found.insert(relative, QStringLiteral("folder"));
        else
            found.insert(relative, fileDigest(path));
    }
    return found;
}

void HardeningFixture::expectTruthfulOldList(const QString& client) const {
    QFile list(client + QStringLiteral("/updater/OldList.lst"));
    if (!list.open(QIODevice::ReadOnly))
        return;
    const QByteArray text = list.readAll();
    EXPECT_TRUE(text.isEmpty() || text.endsWith("\r\n")) << "OldList.lst is cut short";
    for (const QByteArray& line : text.split('\n')) {
        const QString record = QString::fromUtf8(line).trimmed();
        if (record.isEmpty())
            continue;
        const QStringList fields = record.split(QLatin1Char('|'));
        ASSERT_GE(fields.size(), 5) << record.toStdString();
        const QString name = fields.at(1);
        EXPECT_FALSE(name.contains(QStringLiteral("..")) || name.contains(QLatin1Char(':'))) << record.toStdString();
        QString relative = name;
        relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
        const QString path = client + QLatin1Char('/') + relative.mid(relative.startsWith(u'/') ? 1 : 0);
        EXPECT_FALSE(QFileInfo(path).isSymLink()) << record.toStdString();
        EXPECT_EQ(fileDigest(path).toStdString(), fields.at(0).toStdString())
            << "recorded but not installed: " << record.toStdString();
    }
}

QStringList HardeningFixture::oldListNames() const {
    QStringList names;
    QFile list(clientFile(QStringLiteral("updater/OldList.lst")));
    if (!list.open(QIODevice::ReadOnly))
        return names;
    for (const QByteArray& line : list.readAll().split('\n')) {
        const QStringList fields = QString::fromUtf8(line).trimmed().split(QLatin1Char('|'));
        if (fields.size() < 2)
            continue;
        QString name = fields.at(1).toLower();
        name.replace(QLatin1Char('\\'), QLatin1Char('/'));
        names << name.mid(name.startsWith(u'/') ? 1 : 0);
    }
    return names;
}

QStringList HardeningFixture::leftovers(const QString& client) const {
    QStringList found;
    const QDir root(client);
    QDirIterator it(client, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString name = QFileInfo(it.next()).fileName();
        if (name.endsWith(QStringLiteral(".tmp")) || name.endsWith(QStringLiteral(".kdpart")) ||
            name == QStringLiteral("$tmp.kdz") || name.endsWith(QStringLiteral(".part")) ||
            name.endsWith(QStringLiteral(".kaldoria-part")))
            found << root.relativeFilePath(it.filePath());
    }
    return found;
}

} // namespace kaldoria::hardening
