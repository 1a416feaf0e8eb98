#include "update/settings/UserSettings.h"

#include "download/ByteRate.h"
#include "platform/FileSync.h"
#include "platform/IntegerText.h"
#include "platform/PlantedLinks.h"
#include "platform/TextCodec.h"

#include <QFile>
#include <QSaveFile>

namespace kaldoria::update {

using platform::TextCodec;

namespace {

int integerOrMinusOne(const QString& text) {
    return platform::parseInteger32(text).value_or(-1);
}

void applyLine(UserSettings& s, const QString& rawLine) {
    const QString line = TextCodec::trimControls(rawLine);
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq < 0)
        return;
    const QString key = TextCodec::trimControls(line.left(eq)).toLower();
    const QString value = TextCodec::trimControls(line.mid(eq + 1));
    if (key == QLatin1String("left"))
        s.mainLeft = integerOrMinusOne(value);
    else if (key == QLatin1String("top"))
        s.mainTop = integerOrMinusOne(value);
    else if (key == QLatin1String("language"))
        s.language = value;
    else if (key == QLatin1String("autoclose"))
        s.autoClose = value.toLower() == QLatin1String("true");
    else if (key == QLatin1String("selproxy"))
        s.selProxy = value.toLower();
    else if (key == QLatin1String("drivetype"))
        s.driveType = value;
    else if (key == QLatin1String("checkmode"))
        s.checkMode = value;
    else if (key == QLatin1String("langfolder"))
        s.langFolder = value;
    else if (key == QLatin1String("limitrate"))
        s.limitRate = download::parseByteRate(value).value_or(0);
    else
        s.otherLines.append(line);
}

} // namespace

UserSettings UserSettingsFile::load(const QString& path) {
    UserSettings settings;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return settings;
    for (const QString& line : TextCodec::decodeLines(file.readAll()))
        applyLine(settings, line);
    return settings;
}

bool UserSettingsFile::save(const QString& path, const UserSettings& s) {
    const QStringList lines = {
        QStringLiteral("Left = ") + QString::number(s.mainLeft),
        QStringLiteral("Top = ") + QString::number(s.mainTop),
        QStringLiteral("Language = ") + s.language.value_or(QString()),
        QStringLiteral("AutoClose = ") + (s.autoClose ? QStringLiteral("True") : QStringLiteral("False")),
        QStringLiteral("SelProxy = ") + s.selProxy,
        QStringLiteral("DriveType = ") + s.driveType,
        QStringLiteral("CheckMode = ") + s.checkMode,
        QStringLiteral("LangFolder = ") + s.langFolder,
        QStringLiteral("LimitRate = ") + download::byteRateText(s.limitRate),
    };
    // QSaveFile writes through a symbolic link; a link planted at the file's name goes first.
    platform::PlantedLinks::removeLink(path);
    QSaveFile file(path);
    // Unbuffered: a failed write (a full disk) must fail commit(), which a failed flush of
    // buffered data does not.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    file.write(TextCodec::encodeLines(lines + s.otherLines));
    return platform::commitToDisk(file);
}

} // namespace kaldoria::update
