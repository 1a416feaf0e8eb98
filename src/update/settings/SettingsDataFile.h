#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace kaldoria::update {

// The optional settings data file "Kaldoria.dat" of the work folder: a bzip2 text
// scrambled with the key "Wardle_Options". The launcher takes no setting from it; it is
// read so that a damaged file is noticed and ignored.
class SettingsDataFile {
public:
    // The text's lines that carry data (trimmed, lower-cased; comments starting with ";" or
    // "/" and empty lines dropped; section headers "[...]" kept). Nothing when the file is
    // missing or damaged.
    static std::optional<QStringList> read(const QString& path);
};

} // namespace kaldoria::update
