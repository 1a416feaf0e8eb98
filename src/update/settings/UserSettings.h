#pragma once

#include <QString>

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
};

// Reads and writes the user settings file: one "Key = value" line per setting.
class UserSettingsFile {
public:
    // The defaults, overridden by the lines of the file at `path` when it exists. Any
    // order, any case of the key and any blanks are accepted; unknown keys are ignored
    // and a key given twice keeps its last value.
    static UserSettings load(const QString& path);

    // Writes the eight lines in their fixed order, in the system code page with CR LF,
    // through a temporary file renamed over `path`. False when that failed.
    static bool save(const QString& path, const UserSettings& settings);
};

} // namespace kaldoria::update
