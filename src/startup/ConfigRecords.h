#pragma once

#include <QString>
#include <QStringList>

// The records of the configuration text, one per section. Every field starts empty, false
// or 0; the parser sets only what the text mentions.
namespace kaldoria::startup {

// Section "config".
struct tConfigRecord {
    QString Instance;
    QString TrayHint;
    QString DefaultLanguage;
    bool UserCan_ChangeLanguage = false;
    bool DefaultAutoClose = false;
    bool UserCan_ChangeAutoClose = false;
    bool UserCan_ChangeProxy = false;
    bool UserCan_ChangeDriveType = false;
    bool UserCan_ChangeCheckMethod = false;
    QString LangFolder;
};

// Section "mainwindow".
struct tMainWindowRecord {
    QString Caption;
    bool FadeEffect = false;
};

// Section "settingwindow".
struct tSettingsWindowRecord {
    bool FadeEffect = false;
};

// Section "updateservers".
struct tUpdateServersRecord {
    bool UsePing = false;
    bool RandomSelect = false;
    QStringList Servers;
};

// Section "gameproxys".
struct tGameProxysRecord {
    bool UseProxy = false;
    qint32 Port = 0;
    QStringList Servers;
};

} // namespace kaldoria::startup
