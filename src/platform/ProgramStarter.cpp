#include "platform/ProgramStarter.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <unistd.h>
#include <vector>

namespace kaldoria::platform {

bool ProgramStarter::startDetached(const QString& program, const QStringList& arguments, const QString& workingFolder) {
    if (program.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive)) {
        const QString wine = QStandardPaths::findExecutable(QStringLiteral("wine"));
        if (!wine.isEmpty())
            return QProcess::startDetached(wine, QStringList{program} + arguments, workingFolder);
    }
    return QProcess::startDetached(program, arguments, workingFolder);
}

void ProgramStarter::execReplace(const QString& program, const QStringList& arguments) {
    std::vector<QByteArray> storage;
    storage.push_back(QFile::encodeName(program));
    for (const QString& argument : arguments)
        storage.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& item : storage)
        argv.push_back(item.data());
    argv.push_back(nullptr);
    ::execv(argv.front(), argv.data());
}

} // namespace kaldoria::platform
