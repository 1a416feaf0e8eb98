#include "launch/GameLauncher.h"

#include "platform/ClientPath.h"
#include "platform/ProgramStarter.h"

#include <QFile>
#include <QStringList>

namespace kaldoria::launch {

using platform::ClientPath;

QString GameLauncher::clientFolder(const QString& langFolderPairs, const QString& chosen) {
    QString folder = QStringLiteral("system");
    QString rest = langFolderPairs;
    while (!rest.isEmpty()) {
        const qsizetype semicolon = rest.indexOf(QLatin1Char(';'));
        const QString name = semicolon < 0 ? QString() : rest.left(semicolon).trimmed();
        if (semicolon >= 0)
            rest.remove(0, semicolon + 1);
        const qsizetype bar = rest.indexOf(QLatin1Char('|'));
        const QString candidate = bar < 0 ? rest : rest.left(bar);
        rest = bar < 0 ? QString() : rest.mid(bar + 1);
        if (name == chosen)
            folder = candidate.trimmed();
    }
    return folder;
}

QString GameLauncher::settingsFileOf(const QString& proxyLine) {
    const qsizetype bar = proxyLine.lastIndexOf(QLatin1Char('|'));
    return (bar < 0 ? proxyLine : proxyLine.mid(bar + 1)).trimmed();
}

bool GameLauncher::start(const Choice& choice) {
    const QString folder = clientFolder(choice.langFolderPairs, choice.langFolder);
    const QString clientPath = ClientPath::resolve(choice.mainPath, folder);
    QString argument;
    if (choice.useProxy && !choice.proxyLine.isEmpty()) {
        argument = settingsFileOf(choice.proxyLine);
        const QString proxyFile = ClientPath::resolve(clientPath, argument);
        if (!argument.isEmpty() && QFile::exists(proxyFile)) {
            const QString iniPath = ClientPath::resolve(clientPath, QStringLiteral("kd.ini"));
            QFile::remove(iniPath);
            QFile::copy(proxyFile, iniPath);
        }
    }
    const QStringList arguments = argument.isEmpty() ? QStringList() : QStringList{argument};
    return platform::ProgramStarter::startDetached(ClientPath::resolve(clientPath, QStringLiteral("kd.exe")), arguments,
                                                   clientPath);
}

} // namespace kaldoria::launch
