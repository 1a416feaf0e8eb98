#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace kaldoria::update {

// The user's choices kept between runs in "Kaldoria.ini" of the work folder.
struct UserSettings {
    int mainLeft = -1;
    int mainTop = -1;
    // Display name of the language, when the file names one; the caller turns it into a
    // language id.
    std::optional<QString> language;
    bool autoClose = false;
    QString selProxy = QStringLiteral("auto");
    QString driveType = QStringLiteral("HDD");
    QString checkMode = QStringLiteral("Hard: MD5 Hash");
    QString langFolder = QStringLiteral("default");
    // Bytes per second for all downloads together; 0 for no limit.
    qint64 limitRate = 0;
    // "Key = value" lines of keys this launcher does not know (a newer one's), kept as they
    // were so that saving does not lose them.
    QStringList otherLines;
};

// Reads and writes the user settings file: one "Key = value" line per setting.
class UserSettingsFile {
public:
    // The defaults, overridden by the lines of the file at `path` when it exists. Any
    // order, any case of the key and any blanks are accepted; unknown keys are kept aside,
    // a value that does not read leaves the default, and a key given twice keeps its last
    // value.
    static UserSettings load(const QString& path);

    // Writes the nine lines of the known keys in their fixed order, then the lines of unknown
    // keys, in the system code page with CR LF, through a temporary file renamed over `path`.
    // False when that failed.
    static bool save(const QString& path, const UserSettings& settings);
};

} // namespace kaldoria::update
