#pragma once

#include <QString>
#include <QStringList>

namespace kaldoria::startup {

// The content of the main window's language-folder box, worked out from the configuration
// value language_folder ("Name;folder|Name;folder...") and the name the user saved.
struct LanguageFolderChoice {
    QStringList items;        // the display names, in configuration order
    qsizetype selected = -1;  // the selected item
    bool enabled = true;      // false: the user cannot choose
    QString langFolder;       // the window's LangFolder afterwards
    QString configLangFolder; // the configuration value afterwards ("default;system" when it was empty)

    static LanguageFolderChoice choose(const QString& configLangFolder, const QString& savedName);
};

} // namespace kaldoria::startup
