#include "platform/ClientPath.h"

#include <QDir>
#include <QFileInfo>

namespace kaldoria::platform {

namespace {

bool isSeparator(QChar c) {
    return c == QLatin1Char('\\') || c == QLatin1Char('/');
}

// "..", and the forms Windows reads as "..": dots followed by blanks or more dots.
bool isParentComponent(const QString& component) {
    QString bare = component;
    while (bare.endsWith(QLatin1Char(' ')))
        bare.chop(1);
    if (bare.size() < 2)
        return false;
    for (QChar c : bare) {
        if (c != QLatin1Char('.'))
            return false;
    }
    return true;
}

// The entry of `folder` whose name equals `component` ignoring case, or an empty string.
QString findIgnoringCase(const QString& folder, const QString& component) {
    const QStringList entries =
        QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        if (entry.compare(component, Qt::CaseInsensitive) == 0)
            return entry;
    }
    return QString();
}

} // namespace

QStringList ClientPath::components(const QString& name) {
    QStringList parts;
    QString current;
    for (QChar c : name) {
        if (isSeparator(c)) {
            if (!current.isEmpty())
                parts.append(current);
            current.clear();
        } else {
            current.append(c);
        }
    }
    if (!current.isEmpty())
        parts.append(current);
    return parts;
}

bool ClientPath::isConfined(const QString& name) {
    if (name.startsWith(QLatin1Char('/')))
        return false;
    if (name.size() >= 2 && isSeparator(name.at(0)) && isSeparator(name.at(1)))
        return false;
    for (QChar c : name) {
        if (c == QLatin1Char(':') || c.unicode() < 0x20)
            return false;
    }
    const QStringList parts = components(name);
    if (parts.isEmpty())
        return false;
    for (const QString& part : parts) {
        if (isParentComponent(part))
            return false;
    }
    return true;
}

QString ClientPath::resolve(const QString& root, const QString& name) {
    QString path = root;
    bool onDisk = true;
    for (const QString& part : components(name)) {
        QString chosen = part;
        if (onDisk && !QFileInfo::exists(path + QLatin1Char('/') + part)) {
            const QString found = findIgnoringCase(path, part);
            if (found.isEmpty())
                onDisk = false;
            else
                chosen = found;
        }
        path += QLatin1Char('/') + chosen;
    }
    return path;
}

} // namespace kaldoria::platform
