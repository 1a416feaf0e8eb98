#include "platform/ClientPath.h"

#include "platform/NativePath.h"

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
    // A name must name a file: not the client folder itself, nor a folder by "." at its end.
    if (parts.isEmpty() || parts.last() == QStringLiteral("."))
        return false;
    for (const QString& part : parts) {
        if (isParentComponent(part))
            return false;
    }
    return true;
}

QString ClientPath::resolve(const QString& root, const QString& name) {
    return nativePath(root + QLatin1Char('/') + components(name).join(QLatin1Char('/')));
}

} // namespace kaldoria::platform
