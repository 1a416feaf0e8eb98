#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace kaldoria::pack {

// Warnings about the lines of an element's parameters.txt that the launcher would pass
// over without a word: a name not in `known` (names match exactly, case included) and a
// line without "=". Each names `file` and the line number; blank lines are fine.
QStringList checkSkinParameters(const QString& file, const QByteArray& text, const QStringList& known);

} // namespace kaldoria::pack
