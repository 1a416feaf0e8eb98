#pragma once

#include <QString>

namespace kaldoria::launch {

// Starts the game client: installs the chosen proxy's settings file as "kd.ini" in the
// client folder of the chosen language folder and starts "kd.exe" there without waiting.
class GameLauncher {
public:
    struct Choice {
        QString mainPath;        // the game folder
        QString langFolderPairs; // "name;folder|name;folder", the configuration's list
        QString langFolder;      // the chosen display name
        bool useProxy = false;
        QString proxyLine; // "name|address|settings file", empty when none answered
    };

    // The client folder that belongs to `chosen`: the folder of the last pair whose display
    // name equals it exactly, trimmed; "system" when none does.
    static QString clientFolder(const QString& langFolderPairs, const QString& chosen);

    // The settings file name of a proxy line: the text after its last "|", trimmed.
    static QString settingsFileOf(const QString& proxyLine);

    // Installs the settings file (when a proxy is in use) and starts the client. The result
    // is whether the client could be started; the launcher does not act on it.
    static bool start(const Choice& choice);
};

} // namespace kaldoria::launch
