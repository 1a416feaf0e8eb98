#pragma once

#include <QString>
#include <QStringList>

namespace kaldoria::update {

// Local-source mode: packed files are copied from a folder instead of being downloaded.
// Chosen by a first command-line argument "filemode=FOLDER".
struct LocalSource {
    bool enabled = false;
    // The folder, always ending in a separator.
    QString folder;

    // Reads the first argument after the program name, split at its first "=": the word
    // "filemode" in any case and a folder that is not empty turn the mode on.
    static LocalSource fromArguments(const QStringList& arguments);
};

} // namespace kaldoria::update
