#pragma once

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Runs the built programs and makes the skin folders and files they read.
namespace packtest {

struct RunResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// The build folder: given by the test environment, else the parent of the tests folder.
inline QString buildDir() {
    return qEnvironmentVariable("KALDORIA_BUILD_DIR", QCoreApplication::applicationDirPath() + QStringLiteral("/.."));
}

inline RunResult run(const QString& program, const QStringList& args, const QString& workDir = QString(),
                     const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    QProcess p;
    p.setProcessEnvironment(env);
    if (!workDir.isEmpty())
        p.setWorkingDirectory(workDir);
    p.start(program, args);
    EXPECT_TRUE(p.waitForFinished(60000)) << program.toStdString();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

inline RunResult pack(const QStringList& args) {
    return run(buildDir() + QStringLiteral("/kaldoria-pack"), args);
}

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    f.write(bytes);
}

inline QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline QByteArray bmp(int width, int height, QColor colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes;
}

// A small skin folder: a 40x30 main background with an outline, a close button with
// parameters and a hover image, a title label, and the settings window's OK button.
inline void makeSkinFolder(const QString& dir) {
    writeFile(dir + QStringLiteral("/MainWindow/BackGroundImage/image.bmp"), bmp(40, 30, Qt::darkBlue));
    writeFile(dir + QStringLiteral("/MainWindow/BackGroundImage/region.rgn"), "REGIONDATA");
    writeFile(dir + QStringLiteral("/MainWindow/Button_Close/parameters.txt"), "Left=30\r\nTop=2\r\n");
    writeFile(dir + QStringLiteral("/MainWindow/Button_Close/over.bmp"), bmp(8, 8, Qt::red));
    writeFile(dir + QStringLiteral("/MainWindow/Text_Title/parameters.txt"), "Left=5");
    writeFile(dir + QStringLiteral("/ConfigWindow/Button_Ok/parameters.txt"), "Left=1\nTop=1");
}

} // namespace packtest
