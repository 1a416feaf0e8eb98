#include "update/manifest/UpdateListSections.h"

#include "platform/ClientPath.h"
#include "platform/TextCodec.h"

#include <QFile>

namespace kaldoria::update {

using platform::ClientPath;
using platform::TextCodec;

namespace {

enum class Section { Files, Required, Delete };

QString upToBar(const QString& text) {
    const qsizetype bar = text.indexOf(QLatin1Char('|'));
    return bar < 0 ? text : text.left(bar);
}

// A name the list may use: inside the client folder and outside the launcher's own work
// folder, whose settings, previous list and lock a list must not replace or delete.
bool isClientName(const QString& name) {
    if (!ClientPath::isConfined(name))
        return false;
    const QStringList parts =
        QString(name).replace(QLatin1Char('\\'), QLatin1Char('/')).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return parts.isEmpty() || parts.first().compare(QLatin1String("updater"), Qt::CaseInsensitive) != 0;
}

} // namespace

QString UpdateListSections::nameAfterHash(const QString& line) {
    return upToBar(TextCodec::trimControls(line).mid(33));
}

QString UpdateListSections::nameField(const QString& line) {
    const qsizetype bar = line.indexOf(QLatin1Char('|'));
    return bar < 0 ? line : upToBar(line.mid(bar + 1));
}

UpdateListSections UpdateListSections::split(const QStringList& lines) {
    UpdateListSections sections;
    Section section = Section::Files;
    for (const QString& line : lines) {
        const QString trimmed = TextCodec::trimControls(line);
        if (trimmed.isEmpty())
            continue;
        if (section == Section::Files && trimmed.startsWith(QLatin1Char('#'))) {
            section = Section::Required;
            continue;
        }
        if (section == Section::Required && trimmed.startsWith(QLatin1Char('@'))) {
            section = Section::Delete;
            continue;
        }
        if (section == Section::Files) {
            if (isClientName(nameField(line)) && isClientName(nameAfterHash(line)))
                sections.fileLines.append(line);
            else
                sections.refused.append(line);
            continue;
        }
        const QString name = trimmed.toLower();
        if (!isClientName(name))
            sections.refused.append(name);
        else if (section == Section::Required)
            sections.requiredNames.append(name);
        else
            sections.deleteNames.append(name);
    }
    return sections;
}

QStringList UpdateListSections::readLines(const QString& listPath) {
    QFile file(listPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return TextCodec::decodeLines(file.readAll());
}

} // namespace kaldoria::update
