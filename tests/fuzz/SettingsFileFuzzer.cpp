// Fuzz target for the user settings file and the settings data file: any bytes load
// without a crash, and settings saved and loaded again come back unchanged.
#include "update/settings/SettingsDataFile.h"
#include "update/settings/UserSettings.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace kaldoria::update;

namespace {

bool same(const UserSettings& a, const UserSettings& b) {
    return a.mainLeft == b.mainLeft && a.mainTop == b.mainTop && a.language == b.language &&
           a.autoClose == b.autoClose && a.selProxy == b.selProxy && a.driveType == b.driveType &&
           a.checkMode == b.checkMode && a.langFolder == b.langFolder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("Kaldoria.ini"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(reinterpret_cast<const char*>(data), qsizetype(size));
    file.close();

    SettingsDataFile::read(path);
    const UserSettings loaded = UserSettingsFile::load(path);
    const QString saved = folder.filePath(QStringLiteral("saved.ini"));
    if (!UserSettingsFile::save(saved, loaded))
        std::abort();
    const UserSettings again = UserSettingsFile::load(saved);
    // A value may lose what a line cannot carry (line ends, blanks at its ends); once saved,
    // it is stable.
    if (!UserSettingsFile::save(saved, again) || !same(UserSettingsFile::load(saved), again))
        std::abort();
    return 0;
}
