#pragma once

#include <QStringList>

namespace kaldoria::update {

// The three sections of the server's list "updater.lst": file lines up to a line starting
// with "#", required names up to a line starting with "@", then names to delete. Blank
// lines are skipped, and every name that would leave the client folder or reach into the
// launcher's work folder "updater" is refused.
struct UpdateListSections {
    // The file lines as written, in list order.
    QStringList fileLines;
    // Required names and names to delete, trimmed and lower-cased.
    QStringList requiredNames;
    QStringList deleteNames;
    // Lines and names refused because they name something outside the client folder.
    QStringList refused;

    static UpdateListSections split(const QStringList& lines);

    // The lines of the list file (byte-order mark or the system's code page); none when it
    // cannot be read.
    static QStringList readLines(const QString& listPath);

    // The name a file line carries after its 32-character hash and separator.
    static QString nameAfterHash(const QString& line);
    // The name field of a file line as a file list reads it (after the first "|").
    static QString nameField(const QString& line);
};

} // namespace kaldoria::update
