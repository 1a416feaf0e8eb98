#include "update/checks/CheckSettings.h"

namespace kaldoria::update {

void CheckSettings::applyFrom(const QString& checkMode, const QString& driveType) {
    const QString drive = driveType.toLower();
    if (drive == QLatin1String("hdd"))
        hashThreadCount = 1;
    else if (drive == QLatin1String("ssd"))
        hashThreadCount = 3;
    const QString mode = checkMode.toLower();
    if (mode == QLatin1String("hard: md5 hash"))
        checkLevel = 2;
    else if (mode == QLatin1String("medium: size & date"))
        checkLevel = 1;
    else if (mode == QLatin1String("light: previous list"))
        checkLevel = 0;
}

} // namespace kaldoria::update
