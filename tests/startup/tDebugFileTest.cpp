#include "startup/tDebugFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kaldoria::startup;

namespace {
QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
} // namespace

TEST(tDebugFile, DisabledLogKeepsNothingAndWritesNoFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"log.err"_qs);
    {
        tDebugFile log(path);
        log.WriteErr(u"config created"_qs);
        EXPECT_TRUE(log.ts.isEmpty());
    }
    EXPECT_FALSE(QFile::exists(path));
}

TEST(tDebugFile, EnabledLogRewritesTheWholeFileAfterEveryLine) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"log.err"_qs);
    QFile stale(path);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write("old content that must go\r\n");
    stale.close();

    tDebugFile log(path);
    log.enabled = true;
    log.WriteErr(u"config created"_qs);
    EXPECT_EQ(fileBytes(path), QByteArray("config created\r\n"));
    log.WriteErr(u"  try load config"_qs);
    log.WriteErr(QString());
    EXPECT_EQ(fileBytes(path), QByteArray("config created\r\n  try load config\r\n\r\n"));
    EXPECT_EQ(log.ts.size(), 3);
}

TEST(tDebugFile, EmptyFileNameKeepsLinesInMemoryOnly) {
    QTemporaryDir dir;
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());
    {
        tDebugFile log{QString()};
        log.enabled = true;
        log.WriteErr(u"a"_qs);
        EXPECT_EQ(log.ts, QStringList{u"a"_qs});
    }
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
    QDir::setCurrent(before);
}

TEST(tDebugFile, UnwritableFileDoesNotStopTheCaller) {
    tDebugFile log(u"/nonexistent-folder/log.err"_qs);
    log.enabled = true;
    log.WriteErr(u"line"_qs);
    EXPECT_EQ(log.ts, QStringList{u"line"_qs});
}
